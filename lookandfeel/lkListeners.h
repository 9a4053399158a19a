// A list of listeners that may change while it is being told something: a listener may free itself, or
// another one, from its call. Each walk goes over a snapshot taken before the first call, in list order
// (or its reverse), skips every entry removed since, and so calls each listener at most once per change.
// An entry carries a serial number, so that a listener freed during the walk and another one made at the
// same address are not taken for one another.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace lookandfeel {

template <class T>
class TlkListenerList {
public:
    // False when the listener is there already.
    bool Add(T* listener) {
        if (!listener || IndexOf(listener) >= 0)
            return false;
        FEntries.push_back({listener, ++FSerial});
        return true;
    }
    bool Remove(T* listener) {
        int i = IndexOf(listener);
        if (i < 0)
            return false;
        FEntries.erase(FEntries.begin() + i);
        return true;
    }
    int IndexOf(T* listener) const {
        for (size_t i = 0; i < FEntries.size(); ++i)
            if (FEntries[i].Listener == listener)
                return int(i);
        return -1;
    }
    bool Contains(T* listener) const { return IndexOf(listener) >= 0; }
    int Count() const { return int(FEntries.size()); }
    T* Items(int index) const { return FEntries[size_t(index)].Listener; }
    void Clear() { FEntries.clear(); }

    // Calls call(listener) for each listener of the list as it is now, first to last (or last to first),
    // leaving out those removed before their turn.
    template <class F>
    void ForEach(F call, bool lastToFirst = false) {
        std::vector<TEntry> snapshot = FEntries;
        if (lastToFirst)
            std::reverse(snapshot.begin(), snapshot.end());
        for (const TEntry& entry : snapshot)
            if (Alive(entry))
                call(entry.Listener);
    }

private:
    struct TEntry {
        T* Listener;
        uint64_t Serial;
    };
    bool Alive(const TEntry& entry) const {
        return std::any_of(FEntries.begin(), FEntries.end(), [&](const TEntry& e) {
            return e.Listener == entry.Listener && e.Serial == entry.Serial;
        });
    }

    std::vector<TEntry> FEntries;
    uint64_t FSerial = 0;
};

} // namespace lookandfeel
