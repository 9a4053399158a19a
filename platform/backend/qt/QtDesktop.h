// What the Qt screen takes from the desktop besides windows and input: the clipboard, drops from other
// programs, and the file and colour dialogs. Internal to the Qt backend (Qt types).
#pragma once

#include "platform/win/ole/Clipboard.h"
#include "platform/win/ole/Ole.h"
#include "platform/win/user/CommonDialogs.h"

#include <QtCore/QObject>
#include <QtCore/QPointer>

class QMimeData;

namespace qtbackend {

// The desktop's clipboard behind the window system's: text (CF_TEXT, CF_UNICODETEXT), files (CF_HDROP as
// text/uri-list), "GIF Image" as image/gif, bitmaps (CF_DIB) as images, and "HTML Format" as text/html.
// What the program publishes is gathered into one set of data per clipboard change; when another program
// takes the clipboard, the window system's store lets go of its own.
class QtClipboardBridge final : public QObject, public win::IClipboardBridge {
public:
    QtClipboardBridge();
    ~QtClipboardBridge() override;
    void Emptied() override;
    void Published(win::UINT format, const std::vector<uint8_t>& bytes) override;
    bool Fetch(win::UINT format, std::vector<uint8_t>* bytes) override;

private:
    void DesktopChanged();
    QPointer<QMimeData> FOwn; // the data last handed to the desktop
    std::vector<std::pair<win::UINT, std::vector<uint8_t>>> FPublished;
    bool FPublishing = false;
};

// The data object of a drop from another program: the files of its text/uri-list and its text.
win::ComPtr<win::IDataObject> QtDropDataObject(const QMimeData* mime);
// Drop actions and effects, and the MK_ key state of buttons and modifiers.
win::DWORD QtDropEffects(Qt::DropActions actions);
Qt::DropAction QtDropAction(win::DWORD effect);
win::DWORD QtKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

// "GIF files (*.gif *.GIF)" for a filter of "*.gif;*.GIF".
QString QtNameFilter(const win::FileDialogFilter& filter);
// Qt's dialogs, modal.
bool QtRunFileDialog(const win::FileDialogRequest& request, win::FileDialogResult* result);
bool QtRunColorDialog(const win::ColorDialogRequest& request, win::ColorDialogResult* result);

// A packed DIB of a desktop image, and the image of a packed DIB (null image when it is not one).
std::vector<uint8_t> QtImageToPackedDib(const QImage& image);
QImage QtPackedDibToImage(const std::vector<uint8_t>& dib);

} // namespace qtbackend
