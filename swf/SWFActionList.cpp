// Action lists: writing with markers, reading byte code back into actions and markers, copying.
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "swf/SWFActions.h"

#include <algorithm>
#include <map>

namespace swf {

// Markers.

void TSWFOffsetMarker::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = dynamic_cast<const TSWFOffsetMarker*>(&source)) {
        FPlaced = s->FPlaced;
        FIsBackward = s->FIsBackward;
        FActive = s->FActive;
        FName = s->FName;
        FFieldSize = s->FFieldSize;
        FPosition = s->FPosition;
    }
}

void TSWFOffsetMarker::BeginPass() {
    FWritten = false;
    FWrittenStream = nullptr;
    FPending.clear();
}

void TSWFOffsetMarker::ResolveField(vcl::TStream* stream, int64_t field, int64_t baseOffset,
                                    const TSWFOffsetMarker* baseMarker, bool isSigned) {
    TPendingField f{stream, field, baseOffset, baseMarker, isSigned};
    if (FWritten && FWrittenStream == stream)
        Patch(f);
    else
        FPending.push_back(f);
}

void TSWFOffsetMarker::Patch(const TPendingField& f) {
    int64_t base = f.BaseOffset;
    if (f.BaseMarker) {
        if (!f.BaseMarker->FWritten || f.BaseMarker->FWrittenStream != f.Stream)
            throw vcl::EWriteError("The markers of a try block are out of order");
        base += f.BaseMarker->FPosition;
    }
    const int64_t value = int64_t(FPosition) - base;
    if (f.IsSigned && (value < -32768 || value > 32767))
        throw vcl::EWriteError("Branch offset " + std::to_string(value) + " does not fit 16 bits");
    if (!f.IsSigned && value < 0)
        throw vcl::EWriteError("A block ends before it starts (size " + std::to_string(value) + ")");
    if (!f.IsSigned && value > 0xFFFF)
        throw vcl::EWriteError("Block size " + std::to_string(value) + " does not fit 16 bits");
    vcl::TStream* s = f.Stream;
    const int64_t here = s->GetPosition();
    if (f.Field < 0 || f.Field + 2 > s->GetSize())
        throw vcl::EWriteError("A branch field lies outside the written actions");
    uint8_t bytes[2] = {uint8_t(value), uint8_t(uint64_t(value) >> 8)};
    s->SetPosition(f.Field);
    s->WriteBuffer(bytes, 2);
    s->SetPosition(here);
}

void TSWFOffsetMarker::WriteData(TBitsEngine* engine) {
    FPlaced = 1;
    if (!FActive)
        return;
    engine->FlushBits(true);
    vcl::TStream* s = engine->GetStream();
    FPosition = static_cast<uint32_t>(s->GetPosition());
    FWritten = true;
    FWrittenStream = s;
    std::vector<TPendingField> pending;
    pending.swap(FPending);
    for (auto& f : pending) {
        if (f.Stream != s)
            throw vcl::EWriteError("A branch and its marker " + FName + " are written to different streams");
        Patch(f);
    }
}

// The list.

TSWFAction* TSWFActionList::GetAction(int32_t index) const {
    if (index < 0 || index >= Count())
        throw vcl::EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FItems[size_t(index)].get();
}

TSWFAction* TSWFActionList::Add(std::shared_ptr<TSWFAction> action) {
    if (!action)
        throw vcl::EListError("An action list holds no empty entries");
    FItems.push_back(std::move(action));
    return FItems.back().get();
}

TSWFAction* TSWFActionList::Add(TSWFAction* action) {
    std::shared_ptr<TSWFAction> shared = action ? action->weak_from_this().lock() : nullptr;
    if (!shared)
        throw vcl::EListError("The action has no owner to share it with the list");
    return Add(std::move(shared));
}

void TSWFActionList::Insert(int32_t index, std::shared_ptr<TSWFAction> action) {
    if (index < 0 || index > Count())
        throw vcl::EListError("List index out of bounds (" + std::to_string(index) + ")");
    if (!action)
        throw vcl::EListError("An action list holds no empty entries");
    FItems.insert(FItems.begin() + index, std::move(action));
}

void TSWFActionList::Delete(int32_t index) {
    GetAction(index);
    FItems.erase(FItems.begin() + index);
}

int32_t TSWFActionList::IndexOf(const TSWFAction* action) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == action)
            return static_cast<int32_t>(i);
    return -1;
}

int32_t TSWFActionList::MaxVersion(int32_t floor) const {
    int32_t v = floor;
    for (auto& a : FItems)
        v = std::max(v, a->SWFVersion());
    return v;
}

void TSWFActionList::WriteToStream(TBitsEngine* engine) {
    // Every marker this write may touch starts afresh: those in the list and those its branches name,
    // so that nothing left from an earlier write is patched or measured against.
    std::vector<TSWFOffsetMarker*> markers;
    for (auto& a : FItems) {
        if (a->GetActionCode() == actionOffsetMarker)
            markers.push_back(static_cast<TSWFOffsetMarker*>(a.get()));
        for (int32_t k = 0; k < a->MarkerFieldCount(); ++k)
            if (auto* slot = a->MarkerField(k); slot && *slot)
                markers.push_back(slot->get());
    }
    for (auto* m : markers)
        m->BeginPass();
    for (auto& a : FItems)
        a->WriteToStream(engine);
    for (auto* m : markers)
        if (m->HasPendingFields()) {
            for (auto* n : markers)
                n->BeginPass();
            throw vcl::EWriteError("A branch points to the marker \"" + m->GetName() +
                                   "\", which is not in its action list");
        }
}

// Reading.

namespace {

struct ListReadItem {
    std::shared_ptr<TSWFAction> Action;
    int64_t Begin;
    int64_t End;
};

// One branch field found in the byte code: the target as an offset from the list's start.
struct ListBranchTarget {
    size_t Item;
    int32_t Field;
    int64_t Target;
    int64_t Number;
    bool Backward;
};

void ListCollectTargets(const std::vector<ListReadItem>& items, std::vector<ListBranchTarget>& out) {
    for (size_t i = 0; i < items.size(); ++i) {
        TSWFAction* a = items[i].Action.get();
        const int64_t end = items[i].End;
        if (auto* jump = dynamic_cast<TSWFActionJump*>(a)) {
            int64_t n = jump->GetBranchOffset();
            out.push_back({i, 0, end + n, n, n < 0});
        } else if (auto* with = dynamic_cast<TSWFActionWith*>(a)) {
            out.push_back({i, 0, end + with->GetSize(), with->GetSize(), false});
        } else if (auto* f = dynamic_cast<TSWFActionDefineFunction*>(a)) {
            out.push_back({i, 0, end + f->GetCodeSize(), f->GetCodeSize(), false});
        } else if (auto* f2 = dynamic_cast<TSWFActionDefineFunction2*>(a)) {
            out.push_back({i, 0, end + f2->GetCodeSize(), f2->GetCodeSize(), false});
        } else if (auto* t = dynamic_cast<TSWFActionTry*>(a)) {
            // The blocks follow the action and each other.
            int64_t tryEnd = end + t->GetTrySize();
            out.push_back({i, 0, tryEnd, t->GetTrySize(), false});
            int64_t blockEnd = tryEnd;
            if (t->HasCatch) {
                blockEnd = tryEnd + t->GetCatchSize();
                out.push_back({i, 1, blockEnd, t->GetCatchSize(), false});
            }
            if (t->HasFinally)
                out.push_back({i, 2, blockEnd + t->GetFinallySize(), t->GetFinallySize(), false});
        }
    }
}

} // namespace

void ReadActionList(TBitsEngine* engine, TSWFActionList& list, uint32_t size) {
    vcl::TStream* s = engine->GetStream();
    engine->FlushBits(false);
    const int64_t start = s->GetPosition();
    const int64_t limit = start + size;
    if (limit > s->GetSize())
        throw vcl::EReadError("The action list runs past the end of its data");
    std::vector<ListReadItem> items;
    // Where actions begin, skipped ones included, and where the list ends.
    std::vector<int64_t> boundaries;
    int64_t pos = start;
    while (pos < limit) {
        const uint8_t code = engine->ReadByte();
        if (code == 0)
            break;
        uint16_t length = 0;
        std::vector<uint8_t> data;
        if (code >= 0x80) {
            if (limit - (pos + 1) < 2)
                throw vcl::EReadError("An action's length runs past the end of its list");
            length = engine->ReadWord();
            if (limit - (pos + 3) < length)
                throw vcl::EReadError("An action's data runs past the end of its list");
            data.resize(length);
            if (length > 0)
                s->ReadBuffer(data.data(), length);
        }
        const int64_t next = pos + (code >= 0x80 ? 3 + length : 1);
        boundaries.push_back(pos - start);
        // The pseudo-codes are no actions of the format: skipped like unknown codes.
        std::unique_ptr<TSWFAction> action =
            code == actionByteCode || code == actionOffsetMarker ? nullptr : CreateAction(code);
        if (action) {
            action->SetLength(length);
            vcl::TReadOnlyMemoryStream dataStream(data.data(), length);
            TBitsEngine dataEngine(&dataStream);
            action->ReadData(&dataEngine);
            items.push_back({std::shared_ptr<TSWFAction>(std::move(action)), pos - start, next - start});
        }
        pos = next;
    }
    const int64_t listEnd = pos - start;
    boundaries.push_back(listEnd);

    std::vector<ListBranchTarget> targets;
    ListCollectTargets(items, targets);
    // Markers to insert before item i (items.size(): at the end), in the order they were found.
    std::map<size_t, std::vector<std::shared_ptr<TSWFOffsetMarker>>> inserts;
    for (auto& t : targets) {
        auto marker = std::make_shared<TSWFOffsetMarker>();
        marker->SetActive(false);
        marker->SetIsBackward(t.Backward);
        bool atBoundary = std::binary_search(boundaries.begin(), boundaries.end(), t.Target);
        if (t.Target < 0 || t.Target > listEnd || !atBoundary) {
            marker->SetName("Error Size offset: " + std::to_string(t.Number));
        } else {
            size_t before = items.size();
            for (size_t i = 0; i < items.size(); ++i)
                if (items[i].Begin >= t.Target) {
                    before = i;
                    break;
                }
            marker->SetPlaced(true);
            inserts[before].push_back(marker);
        }
        *items[t.Item].Action->MarkerField(t.Field) = marker;
    }
    // The labels are numbered in list order.
    int32_t labels = 0;
    for (size_t i = 0; i <= items.size(); ++i) {
        if (auto it = inserts.find(i); it != inserts.end())
            for (auto& m : it->second) {
                m->SetName("label " + std::to_string(++labels));
                list.Add(std::shared_ptr<TSWFAction>(m));
            }
        if (i < items.size())
            list.Add(items[i].Action);
    }
}

// Copying.

void CopyActionList(const TSWFActionList& source, TSWFActionList& target) {
    const int32_t n = source.Count();
    std::vector<TSWFAction*> copies(size_t(n), nullptr);
    for (int32_t i = 0; i < n; ++i) {
        TSWFAction* a = source.GetAction(i);
        std::unique_ptr<TSWFAction> copy = CreateAction(a->GetActionCode());
        if (!copy)
            continue;
        copy->Assign(*a);
        copies[size_t(i)] = target.Add(std::shared_ptr<TSWFAction>(std::move(copy)));
    }
    for (int32_t i = 0; i < n; ++i) {
        TSWFAction* a = source.GetAction(i);
        TSWFAction* copy = copies[size_t(i)];
        if (!copy)
            continue;
        for (int32_t k = 0; k < a->MarkerFieldCount(); ++k) {
            auto* from = a->MarkerField(k);
            if (!from || !*from)
                continue;
            int32_t index = source.IndexOf(from->get());
            if (index < 0 || !copies[size_t(index)])
                continue;
            *copy->MarkerField(k) =
                std::static_pointer_cast<TSWFOffsetMarker>(copies[size_t(index)]->shared_from_this());
        }
    }
}

} // namespace swf
