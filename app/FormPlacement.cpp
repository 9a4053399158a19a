// The window placement store over an ini file.
#include "app/FormPlacement.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/IniFiles.h"
#include "platform/vcl/Registry.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/kernel/Files.h"

#include <algorithm>
#include <exception>

namespace app {

namespace {

std::string Section(const std::string& name) {
    return name + "Position";
}

int64_t OverlapArea(const win::TRect& a, const win::TRect& b) {
    int64_t w = int64_t(std::min(a.Right, b.Right)) - std::max(a.Left, b.Left);
    int64_t h = int64_t(std::min(a.Bottom, b.Bottom)) - std::max(a.Top, b.Top);
    return w > 0 && h > 0 ? w * h : 0;
}

// The work area of the monitor that holds the point, when one does.
bool WorkAreaAt(win::TPoint point, win::TRect& area) {
    if (!vcl::Screen)
        return false;
    for (int32_t i = 0; i < vcl::Screen->GetMonitorCount(); ++i) {
        vcl::TMonitor m = vcl::Screen->GetMonitor(i);
        if (win::Contains(m.BoundsRect, point)) {
            area = m.WorkareaRect;
            return true;
        }
    }
    return false;
}

} // namespace

std::string FormPlacementFileName() {
    return vcl::ExtractFilePath(vcl::TRegistry::StoreFileName()) + "forminfo.ini";
}

int32_t ReadIniInt(const std::string& file, const std::string& section, const std::string& key,
                   int32_t defaultValue) {
    try {
        vcl::TIniFile ini(file);
        return ini.ReadInteger(section, key, defaultValue);
    } catch (const std::exception&) {
        return defaultValue;
    }
}

bool WriteIniInt(const std::string& file, const std::string& section, const std::string& key, int32_t value) {
    try {
        std::string folder = vcl::ExtractFileDir(file);
        if (!folder.empty() && !vcl::DirectoryExists(folder))
            win::CreateDirectoryPath(folder);
        vcl::TIniFile ini(file);
        ini.WriteInteger(section, key, value);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

win::TRect MainWorkArea() {
    if (!vcl::Screen || vcl::Screen->GetMonitorCount() == 0)
        return {};
    vcl::TCustomForm* mainForm = vcl::Application ? vcl::Application->GetMainForm() : nullptr;
    if (!mainForm)
        return vcl::Screen->MonitorFromPoint({1, 1}, vcl::mdPrimary).WorkareaRect;
    // The monitor that shows most of the main form, else the one nearest to its middle.
    win::TRect bounds = mainForm->GetBoundsRect();
    int64_t best = 0;
    win::TRect area;
    for (int32_t i = 0; i < vcl::Screen->GetMonitorCount(); ++i) {
        vcl::TMonitor m = vcl::Screen->GetMonitor(i);
        int64_t overlap = OverlapArea(m.BoundsRect, bounds);
        if (overlap > best) {
            best = overlap;
            area = m.WorkareaRect;
        }
    }
    if (best > 0)
        return area;
    win::TPoint middle{bounds.Left + bounds.Width() / 2, bounds.Top + bounds.Height() / 2};
    return vcl::Screen->MonitorFromPoint(middle, vcl::mdNearest).WorkareaRect;
}

void ClampRectToArea(const win::TRect& area, win::TRect& rect) {
    auto shift = [&rect](int32_t dx, int32_t dy) {
        rect.Left += dx;
        rect.Right += dx;
        rect.Top += dy;
        rect.Bottom += dy;
    };
    if (rect.Right > area.Right)
        shift(area.Right - rect.Right, 0);
    if (rect.Bottom > area.Bottom)
        shift(0, area.Bottom - rect.Bottom);
    if (rect.Left < area.Left)
        shift(area.Left - rect.Left, 0);
    if (rect.Top < area.Top)
        shift(0, area.Top - rect.Top);
}

void SaveFormPlacement(vcl::TCustomForm* form, const std::string& name) {
    if (!form)
        return;
    const std::string file = FormPlacementFileName();
    const std::string section = Section(name);
    vcl::TWindowState state = form->GetWindowState();
    WriteIniInt(file, section, "State", state == vcl::wsMinimized ? 2 : state == vcl::wsMaximized ? 1 : 0);
    // The restored bounds are the ones worth keeping.
    if (state != vcl::wsNormal)
        form->SetWindowState(vcl::wsNormal);
    win::TRect r = form->GetBoundsRect();
    WriteIniInt(file, section, "Top", r.Top);
    WriteIniInt(file, section, "Left", r.Left);
    WriteIniInt(file, section, "Right", r.Right);
    WriteIniInt(file, section, "Bottom", r.Bottom);
}

bool RestoreFormPlacement(vcl::TCustomForm* form, const std::string& name, bool skipState, bool skipSize) {
    if (!form)
        return false;
    const std::string file = FormPlacementFileName();
    const std::string section = Section(name);
    int32_t left = ReadIniInt(file, section, "Left", -1);
    if (left == -1)
        return false;
    int32_t top = ReadIniInt(file, section, "Top", -1);
    int32_t right = ReadIniInt(file, section, "Right", -1);
    int32_t bottom = ReadIniInt(file, section, "Bottom", -1);

    win::TRect area;
    vcl::TCustomForm* mainForm = vcl::Application ? vcl::Application->GetMainForm() : nullptr;
    if (!(mainForm && mainForm->GetName() == form->GetName() && WorkAreaAt({left, top}, area)))
        area = MainWorkArea();

    win::TRect rect{left, top, right, bottom};
    ClampRectToArea(area, rect);
    int32_t width = form->GetWidth();
    int32_t height = form->GetHeight();
    if (!skipSize) {
        if (bottom - top > 10)
            height = bottom - top;
        if (right - left > 10)
            width = right - left;
    }
    form->SetBounds(rect.Left, rect.Top, width, height);
    if (!skipState) {
        switch (ReadIniInt(file, section, "State", 0)) {
        case 0:
            form->SetWindowState(vcl::wsNormal);
            break;
        case 1:
            form->SetWindowState(vcl::wsMaximized);
            break;
        case 2:
            form->SetWindowState(vcl::wsMinimized);
            break;
        default:
            break;
        }
    }
    return true;
}

void CenterFormOnWorkArea(vcl::TCustomForm* form) {
    if (!form)
        return;
    win::TRect area = MainWorkArea();
    form->SetBounds(area.Left + (area.Width() - form->GetWidth()) / 2,
                    area.Top + (area.Height() - form->GetHeight()) / 2, form->GetWidth(), form->GetHeight());
}

} // namespace app
