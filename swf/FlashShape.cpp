#include "swf/FlashShape.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Scope.h"
#include "swf/FlashImage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace swf {

namespace {

int32_t ShapeScaled(int64_t v, int32_t factor) {
    int64_t r = v * factor;
    if (r < INT32_MIN || r > INT32_MAX)
        throw vcl::ERangeError("Shape coordinate out of range");
    return static_cast<int32_t>(r);
}

// Traces a shape's outline as dashes: drawn pieces become edges, gaps become moves.
class ShapeDashTracer {
public:
    ShapeDashTracer(const std::vector<uint8_t>& pattern, TSWFShapeRecords& out)
        : FPattern(pattern), FOut(out) {}

    void Trace(const TSWFShapeRecords& source) {
        for (const auto& r : source) {
            switch (r->GetRecordType()) {
            case rtEndShape:
                FOut.push_back(std::make_unique<TSWFEndShapeRecord>());
                break;
            case rtStyleChange:
                StyleChange(static_cast<const TSWFStyleChangeRecord&>(*r));
                break;
            case rtStraightEdge: {
                auto& e = static_cast<const TSWFStraightEdgeRecord&>(*r);
                Straight(e.GetDeltaX(), e.GetDeltaY());
                break;
            }
            case rtCurvedEdge: {
                auto& c = static_cast<const TSWFCurvedEdgeRecord&>(*r);
                Curved(c.GetControlDeltaX(), c.GetControlDeltaY(), c.GetAnchorDeltaX(), c.GetAnchorDeltaY());
                break;
            }
            }
        }
    }

private:
    struct Piece {
        double Length;
        bool Drawn;
    };

    // The next dash: the rest of one cut at the end of the previous edge first, then the pattern in turn.
    Piece Next() {
        if (FCarry > 0) {
            Piece p{FCarry, FCarryDrawn};
            FCarry = 0;
            return p;
        }
        Piece p{FPattern[FIndex % FPattern.size()] * 20.0, FIndex % 2 == 0};
        ++FIndex;
        return p;
    }

    void StyleChange(const TSWFStyleChangeRecord& source) {
        auto change = std::make_unique<TSWFStyleChangeRecord>();
        if (source.StateLineStyle) {
            FLineStyle = source.GetLineStyle();
            change->SetLineStyle(FLineStyle);
            change->SetFillStyle0(0);
            change->SetFillStyle1(0);
        }
        if (source.StateMoveTo) {
            change->SetMoveTo(source.GetMoveDeltaX(), source.GetMoveDeltaY());
            FX = source.GetMoveDeltaX();
            FY = source.GetMoveDeltaY();
        }
        FOut.push_back(std::move(change));
    }

    void Gap(double toX, double toY) {
        auto change = std::make_unique<TSWFStyleChangeRecord>();
        change->SetLineStyle(FLineStyle);
        change->SetMoveTo(FX + RoundToEven(toX), FY + RoundToEven(toY));
        FOut.push_back(std::move(change));
    }

    void Straight(int32_t dx, int32_t dy) {
        const int32_t e = RoundToEven(std::hypot(double(dx), double(dy)));
        double s = 0;
        while (s < e) {
            Piece p = Next();
            if (s + p.Length > e) {
                FCarry = s + p.Length - e;
                FCarryDrawn = p.Drawn;
                p.Length = e - s;
            }
            if (p.Drawn) {
                int32_t ex = RoundToEven(dx / double(e) * p.Length),
                        ey = RoundToEven(dy / double(e) * p.Length);
                if (ex != 0 || ey != 0)
                    FOut.push_back(std::make_unique<TSWFStraightEdgeRecord>(ex, ey));
            } else {
                Gap(dx / double(e) * (s + p.Length), dy / double(e) * (s + p.Length));
            }
            s += p.Length;
        }
        FX += dx;
        FY += dy;
    }

    void Curved(int32_t cx, int32_t cy, int32_t ax, int32_t ay) {
        // B(t) = t (t Q + 2 P1), with P1 the control point and P2 the anchor, relative to the start.
        const double p1x = cx, p1y = cy, p2x = double(cx) + ax, p2y = double(cy) + ay;
        const double qx = p2x - 2 * p1x, qy = p2y - 2 * p1y;
        const double span2 = std::max(p2x * p2x + p2y * p2y, 1.0);
        auto at = [&](double t, double& x, double& y) {
            x = RoundToEven(t * (t * qx + 2 * p1x));
            y = RoundToEven(t * (t * qy + 2 * p1y));
        };
        double t = 0, lastX = 0, lastY = 0;
        // Each cut advances t, so the walk ends; the count is a guard against degenerate curves.
        for (int pieces = 0; t < 1 && pieces < 100000; ++pieces) {
            Piece p = Next();
            const double d2 = p.Length * p.Length;
            double d = p.Length, x = 0, y = 0, t1 = t;
            bool capped = false;
            for (int i = 1; i <= 100; ++i) {
                double h = (d2 - d * d) / span2;
                if (h != 0 && std::fabs(h) < 0.01 / i)
                    h = h > 0 ? 0.01 / i : -0.01 / i;
                FStep = std::max(FStep + h, 1e-4);
                t1 = std::min(t + FStep, 1.0);
                capped = t + FStep >= 1.0;
                at(t1, x, y);
                d = std::hypot(x - lastX, y - lastY);
                if (std::fabs(d * d - d2) <= 49 || (capped && d < p.Length))
                    break;
            }
            if (capped) {
                double rest = p.Length - std::hypot(p2x - lastX, p2y - lastY);
                int32_t carry = rest > 0 ? RoundToEven(rest) : 0;
                if (carry > 0) {
                    FCarry = carry;
                    FCarryDrawn = p.Drawn;
                }
                t1 = 1.0;
                x = p2x;
                y = p2y;
            }
            const double sx = x - lastX, sy = y - lastY;
            if (p.Drawn) {
                // Where the tangents at the piece's ends meet, per axis.
                auto control = [&](double q, double p1, double chord) {
                    double r = 2 * (q * t + p1), m = 2 * (q * t1 + p1), u = t1 - t;
                    return r == m ? 0 : RoundToEven(r * (chord - m * u) / (r - m));
                };
                int32_t kx = control(qx, p1x, sx), ky = control(qy, p1y, sy);
                int32_t isx = RoundToEven(sx), isy = RoundToEven(sy);
                if (std::abs(isx) >= 20 && std::abs(isy) >= 20 && p.Length >= 100 && kx + ky != 0)
                    FOut.push_back(std::make_unique<TSWFCurvedEdgeRecord>(kx, ky, isx - kx, isy - ky));
                else if (isx != 0 || isy != 0)
                    FOut.push_back(std::make_unique<TSWFStraightEdgeRecord>(isx, isy));
            } else {
                Gap(x, y);
            }
            lastX = x;
            lastY = y;
            t = t1;
        }
        FX += cx + ax;
        FY += cy + ay;
    }

    const std::vector<uint8_t>& FPattern;
    TSWFShapeRecords& FOut;
    size_t FIndex = 0;
    double FCarry = 0;
    bool FCarryDrawn = true;
    uint16_t FLineStyle = 0;
    int32_t FX = 0;
    int32_t FY = 0;
    double FStep = 0.02;
};

} // namespace

void TFlashVisualObject::Assign(TBasedSWFObject* source) {
    TFlashIDObject::Assign(source);
    if (auto* s = dynamic_cast<TFlashVisualObject*>(source))
        FUseTwips = s->FUseTwips;
}

int32_t TFlashVisualObject::UnitFactor() const {
    return (FUseTwips || !FOwner) ? 1 : FOwner->GetUnitFactor();
}

TFlashEdges::TFlashEdges(TSWFShapeRecords* records, TFlashMovie* owner) : FRecords(records), FOwner(owner) {
    CurrentStyleChange()->StateFillStyle1 = true;
}

int32_t TFlashEdges::UnitFactor() const {
    return (FUseTwips || !FOwner) ? 1 : FOwner->GetUnitFactor();
}

TSWFStyleChangeRecord* TFlashEdges::CurrentStyleChange() {
    if (!FRecords->empty())
        if (auto* last = dynamic_cast<TSWFStyleChangeRecord*>(FRecords->back().get()))
            return last;
    FRecords->push_back(std::make_unique<TSWFStyleChangeRecord>());
    return static_cast<TSWFStyleChangeRecord*>(FRecords->back().get());
}

TSWFStyleChangeRecord* TFlashEdges::MoveTo(int32_t x, int32_t y) {
    TSWFStyleChangeRecord* record = CurrentStyleChange();
    const int32_t f = UnitFactor();
    int32_t px = ShapeScaled(x, f), py = ShapeScaled(y, f);
    // A move to where the pen already is, before any edge, adds nothing.
    if (px == FCurrentX && py == FCurrentY && FRecords->size() <= 1)
        return record;
    FCurrentX = px;
    FCurrentY = py;
    record->SetMoveTo(px, py);
    FStartX = px;
    FStartY = py;
    return record;
}

TSWFStraightEdgeRecord* TFlashEdges::LineDelta(int32_t dx, int32_t dy) {
    if (dx == 0 && dy == 0)
        return nullptr;
    const int32_t f = UnitFactor();
    int64_t tx = int64_t(dx) * f, ty = int64_t(dy) * f;
    if (std::llabs(tx) > INT32_MAX || std::llabs(ty) > INT32_MAX)
        throw vcl::ERangeError("Shape coordinate out of range");
    // An edge record moves at most 65535 twips along an axis: longer lines are split evenly.
    int64_t k = std::max((std::llabs(tx) + 65534) / 65535, (std::llabs(ty) + 65534) / 65535);
    TSWFStraightEdgeRecord* last = nullptr;
    for (int64_t j = 1; j <= k; ++j) {
        int32_t ex = RoundToEven(double(tx) / double(k) * double(j)) -
                     RoundToEven(double(tx) / double(k) * double(j - 1));
        int32_t ey = RoundToEven(double(ty) / double(k) * double(j)) -
                     RoundToEven(double(ty) / double(k) * double(j - 1));
        FRecords->push_back(std::make_unique<TSWFStraightEdgeRecord>(ex, ey));
        last = static_cast<TSWFStraightEdgeRecord*>(FRecords->back().get());
    }
    FCurrentX = static_cast<int32_t>(FCurrentX + tx);
    FCurrentY = static_cast<int32_t>(FCurrentY + ty);
    return last;
}

void TFlashEdges::Rectangle(int32_t w, int32_t h) {
    LineDelta(w, 0);
    LineDelta(0, h);
    LineDelta(-w, 0);
    LineDelta(0, -h);
}

void TFlashEdges::EndShape() {
    FRecords->push_back(std::make_unique<TSWFEndShapeRecord>());
}

TFlashShape::TFlashShape(TFlashMovie* owner) : TFlashVisualObject(owner) {
    // The shape tag is a later member: the edges can take its records only once it exists.
    FEdges = std::make_unique<TFlashEdges>(&FShape.GetRecords(), owner);
}

TFlashShape::~TFlashShape() = default;

void TFlashShape::OwnerChanged() {
    FEdges->SetOwner(FOwner);
}

TFlashLineStyle& TFlashShape::GetDashes() {
    if (!FDashes)
        FDashes = std::make_unique<TFlashLineStyle>();
    FDashed = 1;
    Changed();
    return *FDashes;
}

void TFlashShape::SetCharacterID(uint16_t id) {
    TFlashVisualObject::SetCharacterID(id);
    FShape.SetShapeID(id);
}

void TFlashShape::SetBounds(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const int32_t f = UnitFactor();
    FBounds.SetRect(ShapeScaled(left, f), ShapeScaled(top, f), ShapeScaled(right, f), ShapeScaled(bottom, f));
    Changed();
}

int32_t TFlashShape::GetXMin() const {
    return FBounds.GetXMin() / UnitFactor();
}
int32_t TFlashShape::GetXMax() const {
    return FBounds.GetXMax() / UnitFactor();
}
int32_t TFlashShape::GetYMin() const {
    return FBounds.GetYMin() / UnitFactor();
}
int32_t TFlashShape::GetYMax() const {
    return FBounds.GetYMax() / UnitFactor();
}

int32_t TFlashShape::GetWidth(bool inTwips) const {
    return (GetXMax() - GetXMin()) * (inTwips ? UnitFactor() : 1);
}

int32_t TFlashShape::GetHeight(bool inTwips) const {
    return (GetYMax() - GetYMin()) * (inTwips ? UnitFactor() : 1);
}

TSWFStyleChangeRecord* TFlashShape::StyleTarget() {
    auto& records = FShape.GetRecords();
    if (records.empty())
        return nullptr;
    if (FUseLastStyleChange) {
        for (auto it = records.rbegin(); it != records.rend(); ++it)
            if (auto* change = dynamic_cast<TSWFStyleChangeRecord*>(it->get()))
                return change;
        return nullptr;
    }
    return dynamic_cast<TSWFStyleChangeRecord*>(records.front().get());
}

void TFlashShape::SetFillStyle0(uint16_t i) {
    TSWFStyleChangeRecord* target = StyleTarget();
    FFillStyle0 = target ? i : 0;
    if (target)
        target->SetFillStyle0(i);
    Changed();
}

void TFlashShape::SetFillStyle1(uint16_t i) {
    TSWFStyleChangeRecord* target = StyleTarget();
    FFillStyle1 = target ? i : 0;
    if (target)
        target->SetFillStyle1(i);
    Changed();
}

void TFlashShape::SetLineStyle(uint16_t i) {
    TSWFStyleChangeRecord* target = StyleTarget();
    FLineStyle = target ? i : 0;
    if (target)
        target->SetLineStyle(i);
    Changed();
}

TSWFFillStyle* TFlashShape::AddFillStyle(std::unique_ptr<TSWFFillStyle> fill) {
    auto& fills = FShape.GetFillStyles();
    fills.push_back(std::move(fill));
    TSWFFillStyle* added = fills.back().get();
    if (fills.size() > 0xFFFF)
        throw vcl::ERangeError("Too many fill styles");
    SetFillStyle1(static_cast<uint16_t>(fills.size()));
    return added;
}

TSWFImageFill* TFlashShape::AddImageFill(TFlashImage* image, int32_t mode, double sx, double sy) {
    auto fill = std::make_unique<TSWFImageFill>();
    fill->SetBitmapID(image->GetCharacterID());
    sx *= 20;
    sy *= 20;
    const int32_t tx = FBounds.GetXMin() - 5, ty = FBounds.GetYMin() - 5;
    switch (mode) {
    case 0:
        fill->SetFillType(fillClippedBitmap);
        fill->GetMatrix().SetTranslate(tx, ty);
        fill->GetMatrix().SetScale(sx, sy);
        break;
    case 1: {
        if (image->GetWidth() == 0 || image->GetHeight() == 0)
            throw vcl::EInvalidGraphic("Cannot stretch an image of unknown size over a shape");
        fill->SetFillType(fillClippedBitmap);
        fill->GetMatrix().SetTranslate(tx, ty);
        double w = FBounds.GetXMax() - FBounds.GetXMin(), h = FBounds.GetYMax() - FBounds.GetYMin();
        fill->GetMatrix().SetScale(w / image->GetWidth() + 0.003662109375,
                                   h / image->GetHeight() + 0.003662109375);
        break;
    }
    case 2:
        fill->SetFillType(fillRepeatingBitmap);
        fill->GetMatrix().SetTranslate(tx, ty);
        fill->GetMatrix().SetScale(sx, sy);
        break;
    default:
        fill->SetFillType(fillClippedBitmap);
        break;
    }
    auto* added = static_cast<TSWFImageFill*>(AddFillStyle(std::move(fill)));
    // The bitmap must be defined before the shape that uses it.
    if (FOwner) {
        int32_t shapeAt = FOwner->IndexOfObject(this), imageAt = FOwner->IndexOfObject(image);
        if (shapeAt >= 0 && imageAt > shapeAt)
            FOwner->MoveObject(imageAt, shapeAt);
    }
    return added;
}

void TFlashShape::Assign(TBasedSWFObject* source) {
    TFlashVisualObject::Assign(source);
    auto* s = dynamic_cast<TFlashShape*>(source);
    if (!s || s == this)
        return;
    FBounds.Assign(s->FBounds);
    FShape.Assign(&s->FShape);
    FUseLastStyleChange = s->FUseLastStyleChange;
    SetFillStyle0(s->FFillStyle0);
    SetFillStyle1(s->FFillStyle1);
    SetLineStyle(s->FLineStyle);
    FHasAlpha = s->FHasAlpha;
    FShape.SetShapeID(FCharacterID);
}

void TFlashShape::WriteToStream(TBitsEngine* engine) {
    FShape.SetTagID(FHasAlpha ? tagDefineShape3 : tagDefineShape2);
    FShape.SetHasAlpha(FHasAlpha);
    int32_t w = 0;
    for (auto& line : FShape.GetLineStyles())
        w = std::max<int32_t>(w, line->GetWidth());
    FShape.GetBounds().SetRect(FBounds.GetXMin() - w / 2, FBounds.GetYMin() - w / 2,
                               FBounds.GetXMax() + w / 2, FBounds.GetYMax() + w / 2);
    // A pattern that draws nothing (empty, or all zero lengths) leaves the outline solid.
    bool dashed =
        FDashed && FDashes &&
        std::any_of(FDashes->GetItems().begin(), FDashes->GetItems().end(), [](uint8_t v) { return v; });
    if (!dashed) {
        FShape.WriteToStream(engine);
        return;
    }
    TSWFShapeRecords& records = FShape.GetRecords();
    TSWFShapeRecords dashedRecords;
    const bool closed =
        FEdges->GetCurrentX() == FEdges->GetStartX() && FEdges->GetCurrentY() == FEdges->GetStartY();
    if (!records.empty() && !FShape.GetFillStyles().empty() && closed) {
        // The filled area first, without its outline.
        CopyShapeRecords(records, dashedRecords);
        for (auto& r : dashedRecords)
            if (auto* change = dynamic_cast<TSWFStyleChangeRecord*>(r.get());
                change && change->StateLineStyle)
                change->SetLineStyle(0);
    }
    ShapeDashTracer(FDashes->GetItems(), dashedRecords).Trace(records);
    // The dashed records stand in for the path only while the tag is written.
    records.swap(dashedRecords);
    vcl::ScopeExit restore([&]() noexcept { records.swap(dashedRecords); });
    FShape.WriteToStream(engine);
}

} // namespace swf
