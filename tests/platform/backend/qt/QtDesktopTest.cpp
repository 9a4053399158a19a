// The desktop's clipboard, drops from other programs and the dialogs' filters, on Qt's offscreen platform.
#include "platform/backend/qt/QtDesktop.h"
#include "dragdrop/DragDropFile.h"
#include "platform/backend/qt/QtScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/win/kernel/Memory.h"
#include "platform/win/ole/Clipboard.h"
#include "platform/win/ole/Ole.h"
#include "platform/win/shell/Shell.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/User.h"

#include <QtCore/QMimeData>
#include <QtCore/QUrl>
#include <QtGui/QClipboard>
#include <QtGui/QDropEvent>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QWindow>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace win;

namespace {

class QtDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static char name[] = "test_backend_qt";
        char* argv[] = {name, nullptr};
        FScreen = std::make_unique<qtbackend::QtScreen>(1, argv);
        ResetInputState();
        static bool registered = [] {
            WNDCLASSEX wc;
            wc.lpfnWndProc = DefWindowProc;
            wc.lpszClassName = "QtDesktopTestWindow";
            return RegisterClassEx(wc) != 0;
        }();
        ASSERT_TRUE(registered);
    }
    void TearDown() override {
        for (HWND w : FMade)
            if (IsWindow(w))
                DestroyWindow(w);
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        FScreen.reset();
        DesktopClipboardChanged();
        ResetInputState();
    }
    HWND Make(const char* title, TRect r) {
        HWND w = CreateWindowEx(0, "QtDesktopTestWindow", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, r.Left,
                                r.Top, r.Width(), r.Height(), nullptr, nullptr, nullptr, nullptr);
        FMade.push_back(w);
        return w;
    }
    static QWindow* Desktop(const char* title) {
        for (QWindow* w : QGuiApplication::topLevelWindows())
            if (w->title() == QString::fromUtf8(title))
                return w;
        return nullptr;
    }
    static std::string ClipboardText() {
        if (!OpenClipboard(nullptr))
            return "(not open)";
        std::string text;
        if (HANDLE h = GetClipboardData(CF_TEXT)) {
            text = static_cast<const char*>(GlobalLock(h));
            GlobalUnlock(h);
        }
        CloseClipboard();
        return text;
    }
    // Text blocks end in a zero; other blocks are their bytes.
    static void Put(UINT format, const std::string& bytes) {
        size_t n = bytes.size() + (format == CF_TEXT ? 1 : 0);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, n);
        std::memcpy(GlobalLock(block), bytes.c_str(), n);
        GlobalUnlock(block);
        SetClipboardData(format, block);
    }

    std::unique_ptr<qtbackend::QtScreen> FScreen;
    std::vector<HWND> FMade;
};

// Records what a drop target hears.
class Target final : public ComObject<IDropTarget> {
public:
    HRESULT DragEnter(IDataObject* data, DWORD, TPoint p, DWORD* effect) override {
        Calls.push_back("enter");
        At = p;
        *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT DragOver(DWORD, TPoint p, DWORD* effect) override {
        Calls.push_back("over");
        At = p;
        *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT DragLeave() override {
        Calls.push_back("leave");
        return S_OK;
    }
    HRESULT Drop(IDataObject* data, DWORD, TPoint p, DWORD* effect) override {
        Calls.push_back("drop");
        At = p;
        FORMATETC f{CLIPFORMAT(CF_HDROP), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium;
        if (data->GetData(&f, &medium) == S_OK) {
            std::vector<uint8_t> bytes;
            ReadMediumBytes(medium, &bytes);
            ReleaseStgMedium(&medium);
            Files = ReadHDrop(bytes.data(), bytes.size());
        }
        *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
    std::vector<std::string> Calls;
    std::vector<std::string> Files;
    TPoint At;
};

} // namespace

TEST_F(QtDesktopTest, TheProgramsClipboardReachesTheDesktopAndTheDesktopsComesBack) {
    UINT gif = RegisterClipboardFormat("GIF Image");
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    Put(CF_TEXT, "<img src=\"a.gif\">");
    Put(gif, "GIF89a");
    CloseClipboard();
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_EQ(mime->text().toStdString(), "<img src=\"a.gif\">");
    EXPECT_EQ(mime->data("image/gif").toStdString(), "GIF89a");
    EXPECT_EQ(ClipboardText(), "<img src=\"a.gif\">");

    // Another program copies text and files: the store forgets its own and reads the desktop's.
    auto* theirs = new QMimeData;
    theirs->setText(QString::fromUtf8("grüße"));
    theirs->setUrls({QUrl::fromLocalFile("/tmp/a b.gif"), QUrl("https://example.org/x.gif")});
    QGuiApplication::clipboard()->setMimeData(theirs);
    EXPECT_EQ(ClipboardText(), "grüße");
    EXPECT_FALSE(IsClipboardFormatAvailable(gif));
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE drop = GetClipboardData(CF_HDROP);
    ASSERT_NE(drop, nullptr);
    std::vector<uint8_t> bytes(static_cast<const uint8_t*>(GlobalLock(drop)),
                               static_cast<const uint8_t*>(GlobalLock(drop)) + GlobalSize(drop));
    GlobalUnlock(drop);
    GlobalUnlock(drop);
    CloseClipboard();
    EXPECT_EQ(ReadHDrop(bytes.data(), bytes.size()), std::vector<std::string>{"/tmp/a b.gif"});
}

TEST_F(QtDesktopTest, BitmapsTravelAsImages) {
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(QColor(10, 20, 30));
    image.setPixelColor(2, 1, QColor(200, 100, 50));
    auto dib = qtbackend::QtImageToPackedDib(image);
    QImage back = qtbackend::QtPackedDibToImage(dib);
    ASSERT_EQ(back.size(), image.size());
    EXPECT_EQ(back.pixelColor(2, 1), QColor(200, 100, 50));
    EXPECT_EQ(back.pixelColor(0, 0), QColor(10, 20, 30));

    // A bitmap the program copies is an image on the desktop; the desktop's image pastes as a bitmap.
    HBITMAP bitmap = BitmapFromPackedDib(dib.data(), dib.size());
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, ToGdiObj(bitmap));
    CloseClipboard();
    QImage copied = qvariant_cast<QImage>(QGuiApplication::clipboard()->mimeData()->imageData());
    EXPECT_EQ(copied.pixelColor(2, 1), QColor(200, 100, 50));

    QImage other(1, 1, QImage::Format_RGB32);
    other.fill(QColor(1, 2, 3));
    QGuiApplication::clipboard()->setImage(other);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HBITMAP pasted = AsBitmap(static_cast<HGDIOBJ>(GetClipboardData(CF_BITMAP)));
    ASSERT_NE(pasted, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, ToGdiObj(pasted));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(1, 2, 3));
    SelectObject(dc, old);
    DeleteDC(dc);
    CloseClipboard();
}

TEST_F(QtDesktopTest, FilesDroppedFromTheDesktopReachTheRegisteredTarget) {
    HWND form = Make("drop here", {100, 100, 400, 300});
    auto target = ComPtr<Target>::Attach(new Target);
    ASSERT_EQ(RegisterDragDrop(form, target.Get()), S_OK);
    QWindow* w = Desktop("drop here");
    ASSERT_NE(w, nullptr);
    QMimeData mime;
    mime.setData("text/uri-list", "file:///tmp/one.gif\r\nfile:///tmp/two%20words.gif\r\n");
    QPoint inside(50, 60);
    QDragEnterEvent enter(inside, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDragMoveEvent move(QPoint(60, 70), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
    EXPECT_TRUE(move.isAccepted());
    QDropEvent drop(QPointF(60, 70), Qt::CopyAction | Qt::MoveAction, &mime, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &drop);
    EXPECT_TRUE(drop.isAccepted());
    // The target's drop runs once Qt's event handling has returned.
    FScreen->WaitForEvents(5, "test");
    EXPECT_EQ(target->Calls, (std::vector<std::string>{"enter", "over", "drop"}));
    EXPECT_EQ(target->Files, (std::vector<std::string>{"/tmp/one.gif", "/tmp/two words.gif"}));
    EXPECT_EQ(target->At, (TPoint{160, 170}));

    // A drag that leaves tells the target so.
    QDragEnterEvent again(inside, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &again);
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(w, &leave);
    EXPECT_EQ(target->Calls.back(), "leave");
    RevokeDragDrop(form);
}

TEST_F(QtDesktopTest, FilesDroppedFromTheDesktopReachAFileDropTargetDecoded) {
    dragdrop::InitializeDragDrop();
    vcl::Application->ResetForTesting();
    auto* form = new vcl::TForm(nullptr);
    form->SetCaption("file target");
    form->SetBoundsRect({100, 100, 500, 400});
    form->Show();
    vcl::Application->ProcessMessages();
    auto* target = new dragdrop::TFileDropTarget(form);
    target->SetTarget(form);
    std::vector<std::string> names;
    vcl::TPoint at{-1, -1};
    target->OnDrop = [&](vcl::TObject*, vcl::TShiftState, vcl::TPoint p, int32_t& effect) {
        vcl::TStrings* files = target->GetFileNames();
        for (int32_t i = 0; i < files->Count(); ++i)
            names.push_back(files->Get(i));
        at = p;
        effect = DROPEFFECT_COPY;
    };
    QWindow* w = Desktop("file target");
    ASSERT_NE(w, nullptr);
    QMimeData mime;
    mime.setData("text/uri-list", "file:///tmp/my%20pictures/one.gif\r\nfile:///tmp/caf%C3%A9.gif\r\n");
    QDragEnterEvent enter(QPoint(50, 60), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(60, 70), Qt::CopyAction | Qt::MoveAction, &mime, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &drop);
    EXPECT_TRUE(drop.isAccepted());
    FScreen->WaitForEvents(5, "test");
    vcl::Application->ProcessMessages();
    EXPECT_EQ(names, (std::vector<std::string>{"/tmp/my pictures/one.gif", "/tmp/caf\u00e9.gif"}));
    EXPECT_EQ(at, form->ScreenToClient({160, 170}));
    EXPECT_EQ(target->GetFileNames()->Count(), 0); // the names last as long as the drop
    form->Free();
    vcl::Application->ResetForTesting();
    dragdrop::FinalizeDragDrop();
}

TEST(QtDialogs, FiltersShowTheirPatterns) {
    struct Case {
        FileDialogFilter Filter;
        const char* Expected;
    } cases[] = {
        {{"GIF Images", "*.gif"}, "GIF Images (*.gif)"},
        {{"Images (*.gif;*.bmp)", "*.gif;*.bmp"}, "Images (*.gif *.bmp)"},
        {{"", "*.*"}, "*.* (*.*)"},
    };
    for (auto& c : cases)
        EXPECT_EQ(qtbackend::QtNameFilter(c.Filter).toStdString(), c.Expected);
    EXPECT_EQ(qtbackend::QtKeyState(Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier),
              DWORD(MK_LBUTTON | MK_CONTROL | MK_SHIFT));
    EXPECT_EQ(qtbackend::QtDropEffects(Qt::CopyAction | Qt::LinkAction), DROPEFFECT_COPY | DROPEFFECT_LINK);
    EXPECT_EQ(qtbackend::QtDropAction(DROPEFFECT_MOVE | DROPEFFECT_LINK), Qt::MoveAction);
}

TEST_F(QtDesktopTest, WithoutACompositingManagerLayeredWindowsCountAsOpaque) {
    // The offscreen platform blends nothing.
    EXPECT_FALSE(LayeredWindowsTranslucent());
}
