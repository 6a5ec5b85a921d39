#include "program/startup.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QIcon>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSplashScreen>
#include <QSvgRenderer>

#include "app/dialogparts.h"
#include "app/icons.h"
#include "app/inifile.h"
#include "app/numberlocale.h"
#include "app/programfolder.h"
#include "app/qtprompter.h"
#include "app/settingsexit.h"
#include "app/textpad.h"
#include "app/textprinting.h"
#include "app/version.h"
#include "chemistry/chemistrycommands.h"
#include "datasheet/datasheetwindow.h"
#include "graphs/graphengine.h"
#include "graphs/graphswindow.h"
#include "matrix/matrixcommands.h"
#include "sheet/sheet.h"
#include "wizard/wizardwindow.h"

namespace varnel {
namespace {

// The icon of the desktop entry, also on the windows: the SVG the
// installation puts under share/icons, built into the program.
QIcon ProgramIcon() {
  QSvgRenderer svg(QStringLiteral(":/varnel.svg"));
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter painter(&pm);
    svg.render(&painter);
    painter.end();
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace

Program::Program() = default;
Program::~Program() {
  // The windows go before the engine; nothing may reach it through the sheet after.
  if (sheet) sheet->SetGraphLink(nullptr);
}

void BuildProgram(Program& p) {
  p.prompter = std::make_unique<QtPrompter>();
  p.sheet = std::make_unique<Sheet>(*p.prompter);
  p.printing = std::make_unique<TextPrinter>();
  p.wsheet = std::make_unique<TVN_Wsheet>(*p.sheet, *p.prompter);
  p.wsheet->SetTextPrinter(p.printing.get());
  p.graphs = std::make_unique<GraphEngine>(*p.sheet, *p.prompter);
  p.sheet->SetGraphLink(p.graphs.get());
  p.prompter->SetParent(p.wsheet.get());
  p.settings.Register(p.wsheet.get());
  TVN_Wsheet* wsheet = p.wsheet.get();
  Sheet* sheet = p.sheet.get();

  TVN_Txt::Environment env;
  env.BackupWanted = [sheet] { return sheet->Prefs.BackupWanted; };
  env.DataFileName = [sheet] { return sheet->FileName; };
  env.CenterOver = wsheet;
  p.txt = std::make_unique<TVN_Txt>(*p.prompter, *p.printing, env);
  p.txt->TxtRichEdit()->setFont(wsheet->GridFont());
  p.txt->ReadSettings(IniFile(SettingsFilePath()));
  TVN_Txt* txt = p.txt.get();
  wsheet->ShowTextPad = [txt] { txt->ShowTextPad(); };
  wsheet->AskTextPadAtExit = [txt] { return txt->AskAtExit(); };
  QObject::connect(wsheet, &TVN_Wsheet::GridFontChanged, txt,
                   [txt](const QFont& font) { txt->TxtRichEdit()->setFont(font); });
  p.gwindow = std::make_unique<TVN_Graphs>(*p.graphs, *txt);
  p.gwindow->SetTextPrinter(p.printing.get());
  p.gwindow->ReadSettings(IniFile(SettingsFilePath()));
  // The exit routine writes the Graphs keys before the TextPad's, and the
  // Graphs window's place before the TextPad's.
  p.settings.Register(p.gwindow.get());
  p.settings.Register(p.txt.get());
  p.matrix = std::make_unique<MatrixCommands>(*sheet, *p.prompter, *txt, wsheet);
  wsheet->SetMatrixLink(p.matrix.get());
  p.chemistry = std::make_unique<ChemistryCommands>(*sheet, *txt, wsheet);
  wsheet->SetChemistryLink(p.chemistry.get());

  WizardHost host;
  host.ShowTextPad = [txt] { txt->ShowTextPad(); };
  host.TextPadVisible = [txt] { return txt->isVisible(); };
  host.GridFont = [wsheet] { return wsheet->GridFont(); };
  host.GraphsWindow = p.gwindow.get();
  // Every Help button and F1 says what the Help menu says.
  QtPrompter* prompter = p.prompter.get();
  host.ShowHelp = [prompter](int) {
    prompter->Message(BoxKind::Information, HelpNotInstalledText(), Only(Button::Ok));
  };
  host.Environment = [sheet] { return ReportEnvironmentNow(sheet->FileName, DecimalSeparator()); };
  p.wizard = std::make_unique<TVN_MWiz>(*sheet, *p.prompter, *txt, host);
  p.wizard->ReadSettings(IniFile(SettingsFilePath()));
  p.settings.Register(p.wizard.get());
  sheet->SetWizardLink(p.wizard.get());
  wsheet->SavePreferencesAtExit = [&p] {
    SaveSettingsAtExit(p);
    // Until now closing the Graphs window only minimised it; left so, it
    // would refuse the program's quit and keep it running without a DataSheet.
    p.gwindow->AllowClose();
  };
}

void SaveSettingsAtExit(const Program& p) {
  SaveSettingsAtExit(p.settings, SettingsFilePath(), p.sheet->Prefs.SavePrefs, *p.prompter);
}

void OpenArgument(Program& p, const QString& path) {
  const QFileInfo file(path);
  if (!file.isFile()) return;
  if (file.suffix().compare(QLatin1String("vng"), Qt::CaseInsensitive) == 0) {
    if (p.gwindow->OpenPlotSettings(file.absoluteFilePath())) {
      p.gwindow->showNormal();
      p.gwindow->raise();
    }
    return;
  }
  p.wsheet->LoadDataFile(file.absoluteFilePath());
}

int Startup(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Varnel"));
  // Ties the windows to varnel.desktop (its name and icon on Wayland too).
  QGuiApplication::setDesktopFileName(QStringLiteral("varnel"));
  QApplication::setWindowIcon(ProgramIcon());
  InitVersionString();
  SetDecimalSeparator(SystemDecimalSeparator());

  QSplashScreen splash(SplashPicture(VersionString()), Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
  splash.show();
  app.processEvents();

  Program p;
  BuildProgram(p);
  p.gwindow->show();
  p.wsheet->show();
  p.wsheet->raise();
  p.wsheet->activateWindow();
  app.processEvents();

  const QStringList args = QApplication::arguments();
  if (args.size() > 1) OpenArgument(p, args.at(1));

  splash.finish(p.wsheet.get());
  return app.exec();
}

}  // namespace varnel
