#pragma once
// Connection points: how clients subscribe to the events of an object. Delivery is synchronous,
// on the raising thread, to every sink in the order of connection; sinks' results are ignored.
// Sinks are called with no lock held: one may advise or unadvise, on any thread, while an
// event is delivered.
#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <mutex>
#include <vector>

#include "middleware/api/com_object.h"

namespace tessel::com {

// What the enumerators hand out, each with a reference for the caller.
struct Connection {
    DWORD cookie;
    ComPtr<IUnknown> sink;  // the sink's event interface
};
inline void copyOut(const Connection& from, CONNECTDATA& to) {
    to.pUnk = from.sink.Get();
    to.pUnk->AddRef();
    to.dwCookie = from.cookie;
}
inline void copyOut(const ComPtr<IConnectionPoint>& from, IConnectionPoint*& to) {
    to = from.Get();
    to->AddRef();
}

// An enumerator over a snapshot taken when it was made; clones share the snapshot.
template <class IEnum, class Item, class Held>
class SnapshotEnumerator : public IEnum {
public:
    using Snapshot = std::shared_ptr<const std::vector<Held>>;
    explicit SnapshotEnumerator(Snapshot items, size_t position = 0) : items_(std::move(items)), position_(position) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {QITABENT(SnapshotEnumerator, IEnum), {}};
        return table;
    }

    IFACEMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
        return guarded([&]() -> HRESULT {
            if (!out || (count > 1 && !fetched)) return E_POINTER;
            ULONG given = 0;
            for (; given < count && position_ < items_->size(); ++given, ++position_)
                copyOut((*items_)[position_], out[given]);
            if (fetched) *fetched = given;
            return given == count ? S_OK : S_FALSE;
        });
    }
    IFACEMETHODIMP Skip(ULONG count) override {
        return guarded([&]() -> HRESULT {
            const size_t left = items_->size() - position_;
            position_ += count < left ? count : left;
            return count <= left ? S_OK : S_FALSE;
        });
    }
    IFACEMETHODIMP Reset() override {
        return guarded([&]() -> HRESULT {
            position_ = 0;
            return S_OK;
        });
    }
    IFACEMETHODIMP Clone(IEnum** copy) override {
        return guarded([&]() -> HRESULT {
            return createObject<SnapshotEnumerator>(copy, items_, position_);
        });
    }

private:
    Snapshot items_;
    size_t position_;
};

// What an object learns of its sinks: told after each advise and unadvise, outside the
// connection point's lock, it asks the point whether any sink is connected now (so the last of
// two racing changes decides). An advise fails with what the observer returns.
class SinkObserver {
public:
    virtual HRESULT sinksChanged() = 0;

protected:
    ~SinkObserver() = default;
};

// One outgoing interface of an object with its sinks. It lives inside the object and shares
// the object's reference count, so a subscription cannot outlive its source.
class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer* container, const IID& eventIid, SinkObserver* observer = nullptr)
        : container_(container), eventIid_(eventIid), observer_(observer) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override;
    IFACEMETHODIMP_(ULONG) AddRef() override { return container_->AddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return container_->Release(); }

    IFACEMETHODIMP GetConnectionInterface(IID* iid) override;
    IFACEMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    IFACEMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    IFACEMETHODIMP Unadvise(DWORD cookie) override;
    IFACEMETHODIMP EnumConnections(IEnumConnections** connections) override;

    // The connected sinks, first connected first, each held for the caller.
    std::vector<ComPtr<IUnknown>> sinks() const;
    bool connected() const {
        std::scoped_lock guard(lock_);
        return !connections_.empty();
    }

private:
    IConnectionPointContainer* container_;
    IID eventIid_;
    SinkObserver* observer_;
    // Guards the list and the cookies; never held while a sink or the observer is called.
    mutable win32::CriticalSection lock_;
    std::vector<Connection> connections_;
    DWORD nextCookie_ = 1;
};

// Base of an object that raises the events of interface Sink; its interface table lists
// IConnectionPointContainer.
template <class Sink>
class EventSource : public IConnectionPointContainer {
public:
    IFACEMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override {
        return guarded([&]() -> HRESULT {
            if (!points) return E_POINTER;
            using Points = SnapshotEnumerator<IEnumConnectionPoints, IConnectionPoint*, ComPtr<IConnectionPoint>>;
            try {
                auto snapshot = std::make_shared<const std::vector<ComPtr<IConnectionPoint>>>(
                    1, ComPtr<IConnectionPoint>(&point_));
                return createObject<Points>(points, std::move(snapshot));
            } catch (const std::bad_alloc&) {
                *points = nullptr;
                return E_OUTOFMEMORY;
            }
        });
    }
    IFACEMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        return guarded([&]() -> HRESULT {
            if (!point) return E_POINTER;
            *point = nullptr;
            if (iid != __uuidof(Sink)) return CONNECT_E_NOCONNECTION;
            *point = &point_;
            point_.AddRef();
            return S_OK;
        });
    }

protected:
    explicit EventSource(SinkObserver* observer = nullptr) : point_(this, __uuidof(Sink), observer) {}
    ~EventSource() = default;

    bool hasSinks() const { return point_.connected(); }

    // One event to every sink. The object stays alive through the delivery even when a sink
    // lets go of its last reference to it.
    template <class Call>
    void raise(Call&& call) {
        ComPtr<IConnectionPointContainer> keepAlive(this);
        std::vector<ComPtr<IUnknown>> sinks;
        try {
            sinks = point_.sinks();
        } catch (const std::bad_alloc&) {
            return;
        }
        for (const ComPtr<IUnknown>& sink : sinks) call(static_cast<Sink*>(sink.Get()));
    }

private:
    ConnectionPoint point_;
};

}  // namespace tessel::com
