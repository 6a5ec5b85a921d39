#include "app/help.h"

#include <QFile>
#include <QList>

namespace varnel {
namespace {

HelpViewer* viewer = nullptr;

struct FormSection {
  const char* Form;
  const char* Section;
};

// A dialog joins the help with one line here: its form name (the object
// name it gives itself) and the page of the manual that describes it.
constexpr FormSection FormSections[] = {
    {"VN_Wsheet", "index"},  // F1 is Help > Varnel Help Topics
    {"VN_Graphs", "graphs"},
    {"VN_Txt", "textpad"},
    {"VN_MWiz", "wizard"},
    {"VN_Filter", "filter"},
    {"VN_EVName", "variables-and-cases"},
    {"VN_EditHeaderLine", "data-files"},
    {"VN_Import", "import-export"},
    {"VN_Prefs", "preferences"},
    {"Vn_SVD", "svd"},
    {"Vn_INV", "svd"},
    {"VN_LMapd", "coordinate-mapping"},
    {"VN_Formula", "formulas"},
    {"VN_Recalc", "formulas"},
    {"VN_CScales", "coordinate-scaling"},
    {"VN_Settings", "graph-settings"},
    {"VN_MWOptions", "wizard-options"},
    {"VN_MWErrMatrix", "wizard-model"},
};

struct ContextSection {
  int Context;
  const char* Section;
};

// The context numbers the wizard's pages and the graph settings' pages pass
// to their Help buttons and F1.
constexpr ContextSection ContextSections[] = {
    {4120, "graph-settings-symbols"}, {4130, "graph-settings-labels"}, {4140, "graph-settings-tie-lines"},
    {4150, "graph-settings-diagram"}, {4160, "graph-settings-export"}, {7020, "wizard-labels"},
    {7030, "wizard-input"},           {7040, "wizard-weights"},        {7050, "wizard-model"},
    {7060, "wizard-reactions"},       {7070, "wizard-options"},        {7080, "wizard-model"},
};

}  // namespace

void SetHelpViewer(HelpViewer* v) { viewer = v; }
HelpViewer* CurrentHelpViewer() { return viewer; }

void ShowHelp(const QString& section) {
  if (!viewer) return;
  viewer->ShowSection(HelpSectionExists(section) ? section : QString::fromLatin1(HelpContentsSection));
}

QString HelpSectionOfForm(const QString& formName) {
  for (const FormSection& f : FormSections)
    if (formName == QLatin1String(f.Form)) return QString::fromLatin1(f.Section);
  return QString::fromLatin1(HelpContentsSection);
}

QString HelpSectionOfContext(int context) {
  for (const ContextSection& c : ContextSections)
    if (c.Context == context) return QString::fromLatin1(c.Section);
  return QString::fromLatin1(HelpContentsSection);
}

QString HelpPagePath(const QString& section) {
  return QStringLiteral(":/help/") + section + QStringLiteral(".md");
}

bool HelpSectionExists(const QString& section) {
  // An id is a page name, never a path into other resources.
  if (section.isEmpty() || section.contains(QLatin1Char('/')) || section.contains(QLatin1Char('.')))
    return false;
  return QFile::exists(HelpPagePath(section));
}

QList<HelpTableEntry> HelpFormTable() {
  QList<HelpTableEntry> table;
  for (const FormSection& f : FormSections)
    table.append({QString::fromLatin1(f.Form), QString::fromLatin1(f.Section)});
  return table;
}

QList<HelpTableEntry> HelpContextTable() {
  QList<HelpTableEntry> table;
  for (const ContextSection& c : ContextSections)
    table.append({QString::number(c.Context), QString::fromLatin1(c.Section)});
  return table;
}

}  // namespace varnel
