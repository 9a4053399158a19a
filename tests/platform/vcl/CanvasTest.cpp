#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphics.h"
#include "platform/win/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace vcl;

namespace {

// A 24-bit white bitmap to draw on.
struct Surface {
    explicit Surface(int w = 12, int h = 8) {
        Bitmap.SetPixelFormat(pf24bit);
        Bitmap.SetSize(w, h);
    }
    TCanvas* Canvas() { return Bitmap.GetCanvas(); }
    TColor At(int x, int y) { return Bitmap.GetCanvas()->GetPixel(x, y); }
    // The pixels of one row as a string: '#' for the colour asked about, '.' for anything else.
    std::string Row(int y, TColor c) {
        std::string s;
        for (int x = 0; x < Bitmap.GetWidth(); ++x)
            s += At(x, y) == c ? '#' : '.';
        return s;
    }
    TBitmap Bitmap;
};

} // namespace

TEST(GraphicsTools, SettersIgnoreUnchangedValuesStoreThenNotify) {
    TFont font;
    TPen pen;
    TBrush brush;
    int notes = 0;
    TColor seen = clNone;
    font.OnChange = [&](TObject*) { ++notes, seen = font.GetColor(); };
    pen.OnChange = [&](TObject*) { ++notes; };
    brush.OnChange = [&](TObject*) { ++notes; };
    struct Step {
        const char* Name;
        std::function<void()> Set;
        int Notes; // notifications the step adds
    };
    const std::vector<Step> steps = {
        {"font colour", [&] { font.SetColor(clRed); }, 1},
        {"same font colour", [&] { font.SetColor(clRed); }, 0},
        {"font name", [&] { font.SetName("Arial"); }, 1},
        {"same font name", [&] { font.SetName("Arial"); }, 0},
        {"font style",
         [&] {
             font.SetStyle({fsBold, fsItalic});
         },
         1},
        {"same font style",
         [&] {
             font.SetStyle({fsItalic, fsBold});
         },
         0},
        {"font height", [&] { font.SetHeight(-16); }, 1},
        {"same font size", [&] { font.SetSize(12); }, 0},
        {"pen width", [&] { pen.SetWidth(3); }, 1},
        {"same pen width", [&] { pen.SetWidth(3); }, 0},
        {"pen mode", [&] { pen.SetMode(pmNot); }, 1},
        {"pen style", [&] { pen.SetStyle(psDot); }, 1},
        {"brush colour", [&] { brush.SetColor(clBlue); }, 1},
        {"same brush colour", [&] { brush.SetColor(clBlue); }, 0},
        {"brush clNone clears", [&] { brush.SetColor(clNone); }, 1},
        {"brush colour makes solid", [&] { brush.SetColor(clBlue); }, 1},
        {"brush hatch", [&] { brush.SetStyle(bsCross); }, 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.Name);
        int before = notes;
        s.Set();
        EXPECT_EQ(notes - before, s.Notes);
    }
    EXPECT_EQ(seen, clRed); // the value is stored before the notification
    EXPECT_EQ(font.GetSize(), 12);
    EXPECT_EQ(brush.GetStyle(), bsCross);
    brush.SetColor(clNone);
    EXPECT_EQ(brush.GetStyle(), bsClear);
    brush.SetColor(clRed);
    EXPECT_EQ(brush.GetStyle(), bsSolid);

    // Handles follow the properties: a change gives a new object with the new description.
    win::LOGPEN lp{};
    win::GetObject(reinterpret_cast<win::HGDIOBJ>(pen.GetHandle()), sizeof lp, &lp);
    EXPECT_EQ(lp.lopnWidth.X, 3);
    pen.SetColor(clGreen);
    win::GetObject(reinterpret_cast<win::HGDIOBJ>(pen.GetHandle()), sizeof lp, &lp);
    EXPECT_EQ(lp.lopnColor, win::COLORREF(clGreen));
    win::LOGFONT lf{};
    win::GetObject(reinterpret_cast<win::HGDIOBJ>(font.GetHandle()), sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -16);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(std::string(lf.lfFaceName), "Arial");
}

TEST(GraphicsTools, SystemColoursResolveThroughTheScheme) {
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(ColorToRGB(clBtnFace), int32_t(win::GetSysColor(win::COLOR_BTNFACE)));
    win::COLORREF scheme[16] = {};
    scheme[15] = 0x123456;
    win::SetSysColorScheme(scheme, 16);
    EXPECT_EQ(ColorToRGB(clBtnFace), 0x123456);
    win::ResetSysColors();
    Surface s;
    s.Canvas()->GetBrush()->SetColor(clBtnFace);
    s.Canvas()->FillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(s.At(0, 0), TColor(win::GetSysColor(win::COLOR_BTNFACE)));
}

TEST(TCanvas, ShapesLandWithGdiEdges) {
    Surface s;
    TCanvas* c = s.Canvas();
    c->GetPen()->SetColor(clRed);
    c->MoveTo(1, 0);
    c->LineTo(5, 0); // the last pixel is not drawn
    EXPECT_EQ(s.Row(0, clRed), ".####.......");
    EXPECT_EQ(c->GetPenPos(), Point(5, 0));
    c->GetBrush()->SetColor(clBlue);
    c->Rectangle(1, 2, 6, 5); // red outline, blue inside, right and bottom exclusive
    EXPECT_EQ(s.Row(2, clRed), ".#####......");
    EXPECT_EQ(s.Row(3, clBlue), "..###.......");
    EXPECT_EQ(s.Row(5, clRed), "............");
    // A pen in pmNot mode drawn twice leaves the picture as it was.
    c->GetPen()->SetMode(pmNot);
    c->MoveTo(0, 6);
    c->LineTo(12, 6);
    EXPECT_EQ(s.At(3, 6), clBlack);
    c->MoveTo(0, 6);
    c->LineTo(12, 6);
    EXPECT_EQ(s.Row(6, clWhite), "############");
    c->GetPen()->SetMode(pmCopy);
    // Polygon and ellipse fill with the brush.
    c->GetPen()->SetStyle(psClear);
    c->GetBrush()->SetColor(clLime);
    c->Polygon({Point(8, 0), Point(11, 0), Point(11, 3)});
    EXPECT_EQ(s.At(10, 1), clLime);
    c->Ellipse(7, 4, 12, 8);
    EXPECT_EQ(s.At(9, 6), clLime);
    EXPECT_EQ(s.At(7, 4), clWhite);
}

TEST(TCanvas, CopyRectFollowsTheCopyMode) {
    Surface src(4, 1), dst(8, 2);
    src.Canvas()->GetBrush()->SetColor(clRed);
    src.Canvas()->FillRect(Rect(0, 0, 2, 1));
    struct Case {
        TCopyMode Mode;
        TColor Left, Right; // destination was white
    };
    for (Case k : {Case{cmSrcCopy, clRed, clWhite}, Case{cmSrcInvert, clAqua, clBlack},
                   Case{cmDstInvert, clBlack, clBlack}, Case{cmSrcAnd, clRed, clWhite}}) {
        dst.Canvas()->GetBrush()->SetColor(clWhite);
        dst.Canvas()->FillRect(Rect(0, 0, 8, 2));
        dst.Canvas()->SetCopyMode(k.Mode);
        dst.Canvas()->CopyRect(Rect(0, 0, 8, 2), src.Canvas(), Rect(0, 0, 4, 1)); // scaled twice
        EXPECT_EQ(dst.At(3, 1), k.Left) << std::hex << k.Mode;
        EXPECT_EQ(dst.At(4, 0), k.Right) << std::hex << k.Mode;
    }
}

TEST(TCanvas, BrushCopyReplacesOneColourWithTheBrush) {
    Surface src(3, 1), dst(3, 1);
    src.Canvas()->SetPixel(1, 0, clFuchsia);
    dst.Canvas()->GetBrush()->SetColor(clLime);
    dst.Canvas()->BrushCopy(Rect(0, 0, 3, 1), &src.Bitmap, Rect(0, 0, 3, 1), clFuchsia);
    EXPECT_EQ(dst.At(0, 0), clWhite);
    EXPECT_EQ(dst.At(1, 0), clLime);
}

TEST(TCanvas, TextIsMeasuredDrawnAndClipped) {
    Surface s(80, 30);
    TCanvas* c = s.Canvas();
    c->GetFont()->SetColor(clBlack);
    c->GetFont()->SetHeight(-14);
    TSize qq = c->TextExtent("Qq");
    EXPECT_GT(qq.cx, 0);
    EXPECT_GT(qq.cy, 10);
    EXPECT_EQ(c->TextWidth("Qq"), qq.cx);
    EXPECT_LT(c->TextWidth("i"), c->TextWidth("WWW"));
    c->TextOut(2, 2, "Hi");
    EXPECT_EQ(c->GetPenPos(), Point(2 + c->TextWidth("Hi"), 2));
    bool ink = false;
    for (int y = 2; y < 2 + qq.cy; ++y)
        for (int x = 2; x < 2 + c->TextWidth("Hi"); ++x)
            ink = ink || s.At(x, y) != clWhite;
    EXPECT_TRUE(ink);
    // TextRect paints the rectangle with the brush and nothing outside it.
    c->GetBrush()->SetColor(clYellow);
    c->TextRect(Rect(40, 5, 50, 12), 38, 5, "WWWW");
    EXPECT_EQ(s.At(39, 8), clWhite);
    EXPECT_EQ(s.At(50, 8), clWhite);
    EXPECT_NE(s.At(45, 11), clWhite);
}

TEST(TCanvas, NotifiesAroundDrawingAndLocksAcrossThreads) {
    Surface s;
    TCanvas* c = s.Canvas();
    std::vector<std::string> log;
    c->OnChanging = [&](TObject*) { log.push_back("changing"); };
    c->OnChange = [&](TObject*) { log.push_back("change"); };
    c->FillRect(Rect(0, 0, 2, 2));
    EXPECT_EQ(log, (std::vector<std::string>{"changing", "change"}));

    c->Lock();
    c->Lock();
    EXPECT_EQ(c->GetLockCount(), 2);
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = c->TryLock(); }).join();
    EXPECT_FALSE(otherGotIt);
    c->Unlock();
    c->Unlock();
    std::thread([&] {
        otherGotIt = c->TryLock();
        if (otherGotIt)
            c->Unlock();
    }).join();
    EXPECT_TRUE(otherGotIt);
    EXPECT_EQ(c->GetLockCount(), 0);
}

TEST(TCanvas, ACanvasWithoutADeviceContextRefusesToDraw) {
    TCanvas canvas;
    try {
        canvas.FillRect(Rect(0, 0, 1, 1));
        FAIL() << "drew without a device context";
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "Canvas does not allow drawing");
    }
    // A handle given from outside is used as it is.
    Surface s;
    win::HDC dc = win::CreateCompatibleDC(nullptr);
    win::HGDIOBJ old = win::SelectObject(dc, reinterpret_cast<win::HGDIOBJ>(s.Bitmap.GetHandle()));
    canvas.SetHandle(dc);
    canvas.GetBrush()->SetColor(clRed);
    canvas.FillRect(Rect(0, 0, 1, 1));
    canvas.SetHandle(nullptr);
    win::SelectObject(dc, old);
    win::DeleteDC(dc);
    EXPECT_EQ(s.At(0, 0), clRed);
}

TEST(TCanvas, ClipRectFocusRectFloodFillAndArcs) {
    Surface s(20, 12);
    TCanvas* c = s.Canvas();
    EXPECT_EQ(c->GetClipRect(), Rect(0, 0, 20, 12));
    // The focus rectangle is drawn by inversion: twice leaves nothing.
    c->DrawFocusRect(Rect(1, 1, 9, 7));
    EXPECT_NE(s.Row(1, clWhite), std::string(20, '#'));
    c->DrawFocusRect(Rect(1, 1, 9, 7));
    for (int y = 0; y < 12; ++y)
        EXPECT_EQ(s.Row(y, clWhite), std::string(20, '#')) << y;
    // Flood fill of the white surface stops at a red border.
    c->GetPen()->SetColor(clRed);
    c->GetBrush()->SetStyle(bsClear);
    c->Rectangle(0, 0, 10, 10);
    c->GetBrush()->SetColor(clBlue);
    c->FloodFill(5, 5, clWhite, fsSurface);
    EXPECT_EQ(s.At(5, 5), clBlue);
    EXPECT_EQ(s.At(0, 5), clRed);
    EXPECT_EQ(s.At(12, 5), clWhite);
    // Round rectangles, pies and chords are filled with the brush inside their outline.
    c->GetBrush()->SetColor(clLime);
    c->RoundRect(11, 0, 20, 6, 4, 4);
    EXPECT_EQ(s.At(15, 3), clLime);
    EXPECT_EQ(s.At(11, 0), clWhite); // the rounded corner
    c->GetBrush()->SetColor(clYellow);
    c->Pie(10, 6, 20, 12, 20, 9, 15, 6); // the quarter from the right to the top
    EXPECT_EQ(s.At(16, 8), clYellow);
    EXPECT_EQ(s.At(13, 10), clWhite);
    c->Arc(0, 10, 6, 12, 0, 0, 0, 0); // a full ellipse outline when start and end coincide
    EXPECT_NE(s.Row(10, clRed).substr(0, 6), "......");
}
