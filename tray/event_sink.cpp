#include "tray/event_sink.h"

#include <ocidl.h>

namespace tessel::tray {
namespace {

DWORD advise(IUnknown* source, REFIID events, IUnknown* sink) {
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    if (!source || !sink ||
        FAILED(source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.GetAddressOf()))) ||
        FAILED(container->FindConnectionPoint(events, point.GetAddressOf())) || FAILED(point->Advise(sink, &cookie)))
        return 0;
    return cookie;
}

void unadvise(IUnknown* source, REFIID events, DWORD& cookie) {
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (source && cookie &&
        SUCCEEDED(source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.GetAddressOf()))) &&
        SUCCEEDED(container->FindConnectionPoint(events, point.GetAddressOf())))
        point->Unadvise(cookie);
    cookie = 0;
}

}  // namespace

IFACEMETHODIMP CSink::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID__IOTFSEvents)
        *object = static_cast<_IOTFSEvents*>(this);
    else if (iid == IID__IHaldenProfileManagerEvents)
        *object = static_cast<_IHaldenProfileManagerEvents*>(this);
    else if (iid == IID__IDpiEvents)
        *object = static_cast<_IDpiEvents*>(this);
    else if (iid == IID__IHaldenEvents)
        *object = static_cast<_IHaldenEvents*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

IFACEMETHODIMP_(ULONG) CSink::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

IFACEMETHODIMP CSink::OnOTFSEvent(_TButtonStatus* status) {
    if (status) target_.onSensitivityEvent();
    return S_OK;
}

IFACEMETHODIMP CSink::OnHaldenProfileManagerEvent(_THaldenProfileManagerInfo*) { return S_OK; }

IFACEMETHODIMP CSink::OnDpiEvent() {
    target_.onSensitivityEvent();
    return S_OK;
}

IFACEMETHODIMP CSink::OnHaldenEvent(_THaldenInfoType* info) {
    if (info) target_.onHaldenEvent(*info);
    return S_OK;
}

bool EventConnection::open(IDeviceType* device) {
    if (!device || FAILED(device->OpenDeviceInterface(0x13))) return false;
    device->CreateOTFSInterface(otfs_.GetAddressOf());
    if (SUCCEEDED(device->CreateHaldenInterface(halden_.GetAddressOf())) &&
        SUCCEEDED(halden_->CreateInterfaceInstance(IID_IHaldenProfileManager,
                                                   reinterpret_cast<IUnknown**>(profileManager_.GetAddressOf())))) {
        ComPtr<IHaldenProfile> active;
        if (SUCCEEDED(profileManager_->GetActiveProfile(active.GetAddressOf())) && active)
            active->CreateInterfaceInstance(IID_IDpi, reinterpret_cast<IUnknown**>(dpi_.GetAddressOf()));
    }
    if (SUCCEEDED(device->CreateDefaultModeInterface(defaultMode_.GetAddressOf())) && defaultMode_)
        defaultMode_->Disable();
    return static_cast<bool>(otfs_);
}

void EventConnection::subscribe(TrayEventTarget& target) {
    unsubscribe();
    // Every subscription hands over the one sink made for the first.
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (otfs_ &&
        SUCCEEDED(otfs_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.GetAddressOf()))) &&
        SUCCEEDED(container->FindConnectionPoint(IID__IOTFSEvents, point.GetAddressOf()))) {
        sink_.Attach(new CSink(target));
        point->Advise(sink_->unknown(), &otfsCookie_);
    }
    IUnknown* sink = sink_ ? sink_->unknown() : nullptr;
    profileManagerCookie_ = advise(profileManager_.Get(), IID__IHaldenProfileManagerEvents, sink);
    dpiCookie_ = advise(dpi_.Get(), IID__IDpiEvents, sink);
    haldenCookie_ = advise(halden_.Get(), IID__IHaldenEvents, sink);

    // The middleware answers sensitivity steps from its cache of the mouse's profiles.
    ComPtr<IHaldenDownload> download;
    if (halden_ && SUCCEEDED(halden_->QueryInterface(IID_IHaldenDownload, reinterpret_cast<void**>(download.GetAddressOf())))) {
        if (defaultMode_) defaultMode_->EnableDownloadMode();
        download->Download();
        if (defaultMode_) defaultMode_->DisableDownloadMode();
    }
}

void EventConnection::unsubscribe() {
    unadvise(otfs_.Get(), IID__IOTFSEvents, otfsCookie_);
    unadvise(profileManager_.Get(), IID__IHaldenProfileManagerEvents, profileManagerCookie_);
    unadvise(dpi_.Get(), IID__IDpiEvents, dpiCookie_);
    unadvise(halden_.Get(), IID__IHaldenEvents, haldenCookie_);
    sink_.Reset();
}

void EventConnection::release(IDeviceType* device) {
    unsubscribe();
    if (device) device->CloseDeviceInterface();
    profileManager_.Reset();
    dpi_.Reset();
    halden_.Reset();
    defaultMode_.Reset();
    otfs_.Reset();
}

void readActiveSensitivity(IDeviceType* device) {
    ComPtr<IHalden> halden;
    ComPtr<IHaldenProfileManager> manager;
    ComPtr<IHaldenProfile> active;
    ComPtr<IDpi> dpi;
    if (!device || FAILED(device->CreateHaldenInterface(halden.GetAddressOf())) ||
        FAILED(halden->CreateInterfaceInstance(IID_IHaldenProfileManager, reinterpret_cast<IUnknown**>(manager.GetAddressOf()))) ||
        FAILED(manager->GetActiveProfile(active.GetAddressOf())) || !active ||
        FAILED(active->CreateInterfaceInstance(IID_IDpi, reinterpret_cast<IUnknown**>(dpi.GetAddressOf()))))
        return;
    long x = 0, y = 0;
    dpi->GetDpiLevel(&x, &y);
}

}  // namespace tessel::tray
