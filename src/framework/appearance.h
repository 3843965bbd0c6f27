// The program's colours: the desktop's own (its style and palette, light or
// dark as the desktop is), or always light, or always dark. The choice is
// kept in the settings store ("View"/"Appearance") and applied to the
// running program at once; `--dark` forces dark for one run.
#pragma once

#include <QString>
#include <optional>

namespace zentiq {

class SettingsStore;

enum class Appearance { System, Light, Dark };

// "system", "light" or "dark".
QString AppearanceCode(Appearance appearance);
// The appearance a code names (case and surrounding blanks do not matter);
// none for anything else.
std::optional<Appearance> AppearanceFromCode(const QString& code);

// The stored choice; System when none or an unknown one is stored.
Appearance StoredAppearance(const SettingsStore& store);
void StoreAppearance(SettingsStore& store, Appearance appearance);

// Makes `appearance` the application's: Light and Dark use the Fusion style
// with its light palette or DarkPalette(); System brings back the style and
// palette the program started with. Every widget gets a PaletteChange.
// Needs the QApplication.
void ApplyAppearance(Appearance appearance);
Appearance CurrentAppearance();

}  // namespace zentiq
