// Where the editor's windows were: each window's restored bounds and state, kept in "forminfo.ini" in
// the user's configuration folder (one section per window, its name followed by "Position"), and put back
// clamped to the work area of a monitor.
#pragma once

#include "platform/win/WinTypes.h"

#include <cstdint>
#include <string>

namespace vcl {
class TCustomForm;
}

namespace app {

// The placement file: "forminfo.ini" in the folder of the registry store ($XDG_CONFIG_HOME/loomwick/).
std::string FormPlacementFileName();

// The key's integer value, or the default when the file, section or key is missing or not a number.
int32_t ReadIniInt(const std::string& file, const std::string& section, const std::string& key,
                   int32_t defaultValue);
// Writes the value (other sections and keys stay); false when writing failed.
bool WriteIniInt(const std::string& file, const std::string& section, const std::string& key, int32_t value);

// Stores "State" (0 normal, 1 maximised, 2 minimised), then switches the form to its normal state and
// stores its restored "Left", "Top", "Right" and "Bottom".
void SaveFormPlacement(vcl::TCustomForm* form, const std::string& name);
// Puts the form back where it was, clamped to a monitor's work area; sizes of 10 or less are not applied.
// False when there is no placement.
bool RestoreFormPlacement(vcl::TCustomForm* form, const std::string& name, bool skipState, bool skipSize);
void CenterFormOnWorkArea(vcl::TCustomForm* form);
// The work area of the monitor that shows the application's main form, or of the primary monitor before
// there is one.
win::TRect MainWorkArea();
// Moves rect into area without changing its size; one larger than the area ends at its left and top edges.
void ClampRectToArea(const win::TRect& area, win::TRect& rect);

} // namespace app
