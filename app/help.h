// The manual and the ways into it. Windows and dialogs ask for a section of
// the manual by its id (the name of its page, "filter" for help/filter.md);
// start-up installs the viewer that shows it. Until a viewer is installed
// (the commands without a window, most tests) asking for help does nothing.
#pragma once

#include <QString>

namespace varnel {

// What shows the manual: the help window, or a recorder in tests.
class HelpViewer {
 public:
  virtual ~HelpViewer() = default;
  virtual void ShowSection(const QString& section) = 0;
};

void SetHelpViewer(HelpViewer* viewer);
HelpViewer* CurrentHelpViewer();

// Opens the manual at a section; an unknown id opens the contents.
void ShowHelp(const QString& section);

// The section of a dialog or window, by its form name ("VN_Filter"); the
// contents when it has none of its own.
QString HelpSectionOfForm(const QString& formName);

// The section of a help context number (the wizard's pages and the graph
// settings' pages carry them); the contents for an unknown number.
QString HelpSectionOfContext(int context);

// The contents page, and where the pages are: the manual is built into the
// program as the resource folder ":/help".
inline constexpr const char* HelpContentsSection = "index";
QString HelpPagePath(const QString& section);
bool HelpSectionExists(const QString& section);

// Every (owner, section) pair of the two tables above, for the tests that
// open each of them: the owner is a form name or a context number as text.
struct HelpTableEntry {
  QString Owner;
  QString Section;
};
QList<HelpTableEntry> HelpFormTable();
QList<HelpTableEntry> HelpContextTable();

}  // namespace varnel
