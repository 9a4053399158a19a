#include "platform/backend/qt/QtDesktop.h"

#include "platform/win/gdi/Gdi.h"
#include "platform/win/shell/Shell.h"
#include "platform/win/user/Messages.h"

#include <QtCore/QFileInfo>
#include <QtCore/QMimeData>
#include <QtCore/QUrl>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtWidgets/QColorDialog>
#include <QtWidgets/QFileDialog>

#include <cstdio>
#include <cstring>

namespace qtbackend {

using namespace win;

namespace {

UINT QtGifFormat() {
    return RegisterClipboardFormat("GIF Image");
}
UINT QtHtmlFormat() {
    return RegisterClipboardFormat("HTML Format");
}

std::string QtZeroEnded(const std::vector<uint8_t>& bytes) {
    size_t n = 0;
    while (n < bytes.size() && bytes[n])
        ++n;
    return std::string(reinterpret_cast<const char*>(bytes.data()), n);
}

// The number after "Name:" in the header of an "HTML Format" block; -1 when absent.
long QtHtmlOffset(const std::string& block, const char* name) {
    size_t at = block.find(name);
    if (at == std::string::npos || at > 512)
        return -1;
    at += std::strlen(name);
    long value = 0;
    int digits = 0;
    while (at < block.size() && digits < 10 && block[at] >= '0' && block[at] <= '9') {
        value = value * 10 + (block[at++] - '0');
        ++digits;
    }
    return digits ? value : -1;
}

// The HTML of an "HTML Format" block (the part its header points at, or the whole text).
std::string QtHtmlOfBlock(const std::string& block) {
    long start = QtHtmlOffset(block, "StartHTML:"), end = QtHtmlOffset(block, "EndHTML:");
    if (start >= 0 && end > start && size_t(end) <= block.size())
        return block.substr(size_t(start), size_t(end - start));
    return block;
}

// An "HTML Format" block for a piece of HTML: the header, then the HTML with fragment markers.
std::string QtBlockOfHtml(const std::string& html) {
    const std::string pre = "<html><body><!--StartFragment-->", post = "<!--EndFragment--></body></html>";
    const char* layout = "Version:0.9\r\nStartHTML:%010zu\r\nEndHTML:%010zu\r\nStartFragment:%010zu\r\n"
                         "EndFragment:%010zu\r\n";
    char header[160];
    size_t headerLength =
        size_t(std::snprintf(header, sizeof header, layout, size_t(0), size_t(0), size_t(0), size_t(0)));
    size_t startHtml = headerLength, startFragment = startHtml + pre.size(),
           endFragment = startFragment + html.size(), endHtml = endFragment + post.size();
    std::snprintf(header, sizeof header, layout, startHtml, endHtml, startFragment, endFragment);
    return std::string(header) + pre + html + post;
}

std::vector<uint8_t> QtZeroEndedBytes(const QByteArray& text) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

} // namespace

// ---- Images --------------------------------------------------------------------------------------------

std::vector<uint8_t> QtImageToPackedDib(const QImage& source) {
    if (source.isNull())
        return {};
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = image.width();
    h.biHeight = image.height();
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    size_t row = size_t(image.width()) * 4;
    h.biSizeImage = DWORD(row * size_t(image.height()));
    std::vector<uint8_t> block(sizeof h + h.biSizeImage);
    std::memcpy(block.data(), &h, sizeof h);
    // Rows bottom-up; ARGB32 in memory is B, G, R, A as a DIB has them.
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(block.data() + sizeof h + size_t(image.height() - 1 - y) * row, image.constScanLine(y),
                    row);
    return block;
}

QImage QtPackedDibToImage(const std::vector<uint8_t>& dib) {
    HBITMAP bitmap = BitmapFromPackedDib(dib.data(), dib.size());
    if (!bitmap)
        return {};
    // Read back as 32-bit top-down rows, whatever the block's depth and order were.
    BITMAP info;
    GetObject(bitmap, sizeof info, &info);
    QImage image(info.bmWidth, info.bmHeight, QImage::Format_RGB32);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = info.bmWidth;
    bmi.bmiHeader.biHeight = -info.bmHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    std::vector<uint8_t> rows(size_t(info.bmWidth) * 4 * size_t(info.bmHeight));
    HDC dc = CreateCompatibleDC(nullptr);
    GetDIBits(dc, bitmap, 0, UINT(info.bmHeight), rows.data(), &bmi, DIB_RGB_COLORS);
    DeleteDC(dc);
    DeleteObject(bitmap);
    for (int y = 0; y < info.bmHeight; ++y)
        std::memcpy(image.scanLine(y), rows.data() + size_t(y) * size_t(info.bmWidth) * 4,
                    size_t(info.bmWidth) * 4);
    return image;
}

// ---- Clipboard -----------------------------------------------------------------------------------------

QtClipboardBridge::QtClipboardBridge() {
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
                     [this] { DesktopChanged(); });
    SetClipboardBridge(this);
}

QtClipboardBridge::~QtClipboardBridge() {
    SetClipboardBridge(nullptr);
}

void QtClipboardBridge::DesktopChanged() {
    if (FPublishing)
        return;
    const QMimeData* now = QGuiApplication::clipboard()->mimeData();
    if (FOwn && now == FOwn.data())
        return;
    // Another program took the clipboard.
    FOwn = nullptr;
    FPublished.clear();
    DesktopClipboardChanged();
}

void QtClipboardBridge::Emptied() {
    FPublished.clear();
}

void QtClipboardBridge::Published(UINT format, const std::vector<uint8_t>& bytes) {
    bool replaced = false;
    for (auto& [f, b] : FPublished)
        if (f == format) {
            b = bytes;
            replaced = true;
        }
    if (!replaced)
        FPublished.emplace_back(format, bytes);
    // The desktop gets every format published since the clipboard was emptied, as one set.
    auto* mime = new QMimeData;
    for (auto& [f, b] : FPublished) {
        if (f == CF_TEXT) {
            mime->setText(QString::fromUtf8(QtZeroEnded(b)));
        } else if (f == CF_UNICODETEXT && !mime->hasText()) {
            std::u16string wide;
            for (size_t i = 0; i + 1 < b.size(); i += 2) {
                char16_t c = char16_t(b[i] | (b[i + 1] << 8));
                if (!c)
                    break;
                wide += c;
            }
            mime->setText(QString::fromStdU16String(wide));
        } else if (f == CF_HDROP) {
            QList<QUrl> urls;
            for (auto& path : ReadHDrop(b.data(), b.size()))
                urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
            mime->setUrls(urls);
        } else if (f == CF_DIB) {
            QImage image = QtPackedDibToImage(b);
            if (!image.isNull())
                mime->setImageData(image);
        } else if (f == QtGifFormat()) {
            mime->setData("image/gif",
                          QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())));
        } else if (f == QtHtmlFormat()) {
            mime->setHtml(QString::fromStdString(QtHtmlOfBlock(QtZeroEnded(b))));
        }
    }
    FPublishing = true;
    FOwn = mime;
    QGuiApplication::clipboard()->setMimeData(mime);
    FPublishing = false;
}

bool QtClipboardBridge::Fetch(UINT format, std::vector<uint8_t>* bytes) {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    // While the program's own data is on the desktop, the store holds all there is.
    if (!mime || (FOwn && mime == FOwn.data()))
        return false;
    if (format == CF_TEXT && mime->hasText()) {
        *bytes = QtZeroEndedBytes(mime->text().toUtf8());
        return true;
    }
    if (format == CF_UNICODETEXT && mime->hasText()) {
        std::u16string wide = mime->text().toStdU16String();
        bytes->clear();
        for (char16_t c : wide) {
            bytes->push_back(uint8_t(c));
            bytes->push_back(uint8_t(c >> 8));
        }
        bytes->push_back(0);
        bytes->push_back(0);
        return true;
    }
    if (format == CF_HDROP && mime->hasUrls()) {
        std::vector<std::string> files;
        for (const QUrl& url : mime->urls())
            if (url.isLocalFile())
                files.push_back(url.toLocalFile().toStdString());
        if (files.empty())
            return false;
        *bytes = BuildHDrop(files);
        return true;
    }
    if (format == CF_DIB && mime->hasImage()) {
        *bytes = QtImageToPackedDib(qvariant_cast<QImage>(mime->imageData()));
        return !bytes->empty();
    }
    if (format == QtGifFormat() && mime->hasFormat("image/gif")) {
        QByteArray data = mime->data("image/gif");
        bytes->assign(data.begin(), data.end());
        return true;
    }
    if (format == QtHtmlFormat() && mime->hasHtml()) {
        std::string block = QtBlockOfHtml(mime->html().toStdString());
        bytes->assign(block.begin(), block.end());
        bytes->push_back(0);
        return true;
    }
    return false;
}

// ---- Drops ---------------------------------------------------------------------------------------------

ComPtr<IDataObject> QtDropDataObject(const QMimeData* mime) {
    std::vector<std::string> files;
    std::string text;
    if (mime) {
        if (mime->hasFormat("text/uri-list"))
            files = ParseUriList(mime->data("text/uri-list").toStdString());
        else if (mime->hasUrls())
            for (const QUrl& url : mime->urls())
                if (url.isLocalFile())
                    files.push_back(url.toLocalFile().toStdString());
        if (mime->hasFormat("text/plain"))
            text = mime->data("text/plain").toStdString();
    }
    return CreateFileDropDataObject(files, text);
}

DWORD QtDropEffects(Qt::DropActions actions) {
    DWORD effects = DROPEFFECT_NONE;
    if (actions & Qt::CopyAction)
        effects |= DROPEFFECT_COPY;
    if (actions & Qt::MoveAction)
        effects |= DROPEFFECT_MOVE;
    if (actions & Qt::LinkAction)
        effects |= DROPEFFECT_LINK;
    return effects;
}

Qt::DropAction QtDropAction(DWORD effect) {
    if (effect & DROPEFFECT_COPY)
        return Qt::CopyAction;
    if (effect & DROPEFFECT_MOVE)
        return Qt::MoveAction;
    if (effect & DROPEFFECT_LINK)
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}

DWORD QtKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    DWORD keys = 0;
    if (buttons & Qt::LeftButton)
        keys |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        keys |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        keys |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier)
        keys |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        keys |= MK_CONTROL;
    if (modifiers & Qt::AltModifier)
        keys |= MK_ALT;
    return keys;
}

// ---- Dialogs -------------------------------------------------------------------------------------------

QString QtNameFilter(const FileDialogFilter& filter) {
    QStringList patterns;
    for (const QString& p : QString::fromStdString(filter.Patterns).split(';', Qt::SkipEmptyParts))
        patterns << p.trimmed();
    QString description = QString::fromStdString(filter.Description);
    // A description that already shows its patterns in brackets keeps them once.
    int bracket = description.indexOf('(');
    if (bracket > 0)
        description = description.left(bracket).trimmed();
    if (description.isEmpty())
        description = patterns.join(' ');
    return description + " (" + patterns.join(' ') + ")";
}

bool QtRunFileDialog(const FileDialogRequest& request, FileDialogResult* result) {
    QFileDialog dialog;
    bool save = request.Kind == FileDialogRequest::fdSave;
    dialog.setWindowTitle(
        QString::fromStdString(request.Title.empty() ? (save ? "Save As" : "Open") : request.Title));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save)
        dialog.setFileMode(QFileDialog::AnyFile);
    else if (request.Options & OFN_ALLOWMULTISELECT)
        dialog.setFileMode(QFileDialog::ExistingFiles);
    else
        dialog.setFileMode((request.Options & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                 : QFileDialog::AnyFile);
    QFileDialog::Options options;
    if (!(request.Options & OFN_OVERWRITEPROMPT))
        options |= QFileDialog::DontConfirmOverwrite;
    options |= QFileDialog::DontUseNativeDialog; // the same dialog on every desktop, also under Xvfb
    dialog.setOptions(options);
    QStringList filters;
    for (auto& f : request.Filters)
        filters << QtNameFilter(f);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        int index = std::clamp(request.FilterIndex, 1, int(filters.size())) - 1;
        dialog.selectNameFilter(filters[index]);
    }
    if (!request.DefaultExt.empty())
        dialog.setDefaultSuffix(QString::fromStdString(request.DefaultExt));
    QString dir = QString::fromStdString(request.InitialDir);
    QString name = QString::fromStdString(request.FileName);
    if (!name.isEmpty() && QFileInfo(name).isAbsolute()) {
        dialog.setDirectory(QFileInfo(name).absolutePath());
        dialog.selectFile(QFileInfo(name).fileName());
    } else {
        if (!dir.isEmpty())
            dialog.setDirectory(dir);
        if (!name.isEmpty())
            dialog.selectFile(name);
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    result->Files.clear();
    for (const QString& file : dialog.selectedFiles())
        result->Files.push_back(QFileInfo(file).absoluteFilePath().toStdString());
    result->FilterIndex = std::max(1, int(filters.indexOf(dialog.selectedNameFilter())) + 1);
    return !result->Files.empty();
}

bool QtRunColorDialog(const ColorDialogRequest& request, ColorDialogResult* result) {
    QColorDialog dialog;
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (!request.Title.empty())
        dialog.setWindowTitle(QString::fromStdString(request.Title));
    for (size_t i = 0; i < request.CustomColors.size() && i < size_t(QColorDialog::customCount()); ++i) {
        COLORREF c = request.CustomColors[i];
        QColorDialog::setCustomColor(int(i), QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
    }
    COLORREF c = request.Color;
    dialog.setCurrentColor(QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    QColor chosen = dialog.selectedColor();
    result->Color = RGB(uint8_t(chosen.red()), uint8_t(chosen.green()), uint8_t(chosen.blue()));
    result->CustomColors.clear();
    for (int i = 0; i < QColorDialog::customCount() && i < 16; ++i) {
        QColor custom = QColorDialog::customColor(i);
        result->CustomColors.push_back(
            RGB(uint8_t(custom.red()), uint8_t(custom.green()), uint8_t(custom.blue())));
    }
    return true;
}

} // namespace qtbackend
