#include "middleware/api/connection_points.h"

#include <utility>

namespace tessel::com {

IFACEMETHODIMP ConnectionPoint::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

IFACEMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = eventIid_;
    return S_OK;
}

IFACEMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    *container = container_;
    container_->AddRef();
    return S_OK;
}

IFACEMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    ComPtr<IUnknown> events;
    if (FAILED(sink->QueryInterface(eventIid_, reinterpret_cast<void**>(events.GetAddressOf()))) || !events)
        return CONNECT_E_CANNOTCONNECT;
    return guarded([&]() -> HRESULT {
        {
            std::scoped_lock guard(lock_);
            connections_.push_back({nextCookie_, std::move(events)});
            *cookie = nextCookie_++;
        }
        if (!observer_) return S_OK;
        const HRESULT status = observer_->sinksChanged();
        if (SUCCEEDED(status)) return S_OK;
        Unadvise(std::exchange(*cookie, 0));
        return status;
    });
}

IFACEMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    ComPtr<IUnknown> sink;  // released last: its Release may call back
    {
        std::scoped_lock guard(lock_);
        for (auto it = connections_.begin(); it != connections_.end(); ++it) {
            if (it->cookie != cookie) continue;
            sink = std::move(it->sink);
            connections_.erase(it);
            break;
        }
    }
    if (!sink) return CONNECT_E_NOCONNECTION;
    if (observer_) observer_->sinksChanged();
    return S_OK;
}

IFACEMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** connections) {
    if (!connections) return E_POINTER;
    *connections = nullptr;
    using Enumerator = SnapshotEnumerator<IEnumConnections, CONNECTDATA, Connection>;
    try {
        std::scoped_lock guard(lock_);
        return createObject<Enumerator>(connections, std::make_shared<const std::vector<Connection>>(connections_));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

std::vector<ComPtr<IUnknown>> ConnectionPoint::sinks() const {
    std::scoped_lock guard(lock_);
    std::vector<ComPtr<IUnknown>> held;
    held.reserve(connections_.size());
    for (const Connection& connection : connections_) held.push_back(connection.sink);
    return held;
}

}  // namespace tessel::com
