// The DataSheet's keys of the settings file: its preferences.
#pragma once

#include <QString>

#include "sheet/preferences.h"

namespace varnel {

class IniFile;

// The "Prefs" keys, with the fields' current values as defaults.
void LoadPreferences(const IniFile& ini, Preferences& prefs);

// Writes the "Prefs" keys the DataSheet owns.
void WritePreferences(IniFile& ini, const Preferences& prefs);

}  // namespace varnel
