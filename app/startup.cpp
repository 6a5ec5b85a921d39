#include "app/startup.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplashScreen>

#include "app/icons.h"
#include "app/inifile.h"
#include "app/numberlocale.h"
#include "app/programfolder.h"
#include "app/prompter.h"
#include "app/textpad.h"
#include "app/textprinting.h"
#include "app/version.h"
#include "datasheet/datasheetwindow.h"
#include "datasheet/links.h"
#include "datasheet/preferencesfile.h"
#include "matrix/matrixcommands.h"

namespace varnel {

Windows::Windows() = default;

void SaveSettingsAtExit(Windows& w) {
  ExitSettings s = *w.kept;
  s.Prefs = w.wsheet->Data().Prefs;
  const QFont font = w.txt->TxtRichEdit()->font();
  s.TextPadFontName = font.family();
  s.TextPadFontSize = font.pointSize();
  s.DataSheet = w.wsheet->Bounds();
  s.TextPad = w.txt->Bounds();
  SavePreferencesAtExit(SettingsFilePath(), s, *w.prompter);
}
Windows::~Windows() = default;

int Startup(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Varnel"));
  InitVersionString();
  SetDecimalSeparator(SystemDecimalSeparator());

  QSplashScreen splash(SplashPicture(VersionString()), Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
  splash.show();
  app.processEvents();

  Windows w;
  w.prompter = std::make_unique<QtPrompter>();
  w.graphs = std::make_unique<GraphLink>();
  w.wizard = std::make_unique<WizardLink>();
  w.printing = std::make_unique<TextPrinter>();
  w.wsheet = std::make_unique<TVN_Wsheet>(*w.prompter, *w.graphs, *w.wizard);
  w.wsheet->SetTextPrinter(w.printing.get());
  w.prompter->SetParent(w.wsheet.get());
  TVN_Wsheet* sheet = w.wsheet.get();

  TVN_Txt::Environment env;
  env.BackupWanted = [sheet] { return sheet->Data().Prefs.BackupWanted; };
  env.DataFileName = [sheet] { return sheet->Data().FileName; };
  env.CenterOver = sheet;
  w.txt = std::make_unique<TVN_Txt>(*w.prompter, *w.printing, env);
  w.txt->LoadPlacement(sheet->GridFont());
  TVN_Txt* txt = w.txt.get();
  sheet->ShowTextPad = [txt] { txt->ShowTextPad(); };
  sheet->AskTextPadAtExit = [txt] { return txt->AskAtExit(); };
  sheet->OnFontChanged = [txt](const QFont& font) { txt->TxtRichEdit()->setFont(font); };
  w.matrix = std::make_unique<MatrixCommands>(sheet->Data(), *w.prompter, *txt, sheet);
  {
    const IniFile ini(SettingsFilePath());
    w.kept = std::make_unique<ExitSettings>();
    w.kept->Graphs.Read(ini);
    const QSize screen = QGuiApplication::primaryScreen()->size();
    w.kept->GraphsWindow = ReadWindowBounds(ini, QStringLiteral("G"), 540, 460, screen);
    w.kept->WizardTop =
        ini.ReadInteger(QStringLiteral("WinPos"), QStringLiteral("MWTop"), screen.height() / 2 - 200);
    w.kept->WizardLeft =
        ini.ReadInteger(QStringLiteral("WinPos"), QStringLiteral("MWLeft"), screen.width() / 2 - 300);
  }
  sheet->SavePreferencesAtExit = [&w] { SaveSettingsAtExit(w); };
  sheet->SetMatrixLink(w.matrix.get());

  w.wsheet->show();
  w.wsheet->raise();
  w.wsheet->activateWindow();
  app.processEvents();

  const QStringList args = QApplication::arguments();
  if (args.size() > 1 && QFileInfo(args.at(1)).isFile())
    sheet->LoadDataFile(QFileInfo(args.at(1)).absoluteFilePath());

  splash.finish(w.wsheet.get());
  return app.exec();
}

}  // namespace varnel
