// The onboard profiles: the profile manager and one object per profile number.
#include <span>
#include <string>

#include "middleware/api/client_memory.h"
#include "middleware/api/connection_points.h"
#include "middleware/api/server_objects.h"
#include "middleware/device/onboard_profiles.h"

namespace tessel::com {
namespace {

using CoreMapping = records::_TButtonMappingInfo;

// The number a profile object stands for, from any implementation of IHaldenProfile.
HRESULT profileNumber(IHaldenProfile* profile, long& number) {
    if (!profile) return E_POINTER;
    return profile->GetId(&number);
}

// The caller's mapping array of a _TProfileParams, checked for what can be checked.
HRESULT mappingArray(_TProfileParams* params, long count, CoreMapping*& mappings) {
    if (!params || !params->ppMappings) return E_POINTER;
    if (count < 0) return E_INVALIDARG;
    mappings = asCore<CoreMapping>(*params->ppMappings);
    return count > 0 && !mappings ? E_POINTER : S_OK;
}

class HaldenProfile : public IHaldenProfile {
public:
    HaldenProfile(Session session, std::uint8_t number) : session_(std::move(session)), number_(number) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {QITABENT(HaldenProfile, IHaldenProfile), {}};
        return table;
    }

    // Lighting and sensitivity objects of this profile.
    IFACEMETHODIMP CreateInterfaceInstance(REFIID iid, IUnknown** object) override {
        return guarded([&]() -> HRESULT {
            if (!object) return E_POINTER;
            *object = nullptr;
            if (iid == IID_IDpi) return createDpi(session_, number_, reinterpret_cast<IDpi**>(object));
            if (iid == IID_ILedStatus) return createLedStatus(session_, number_, reinterpret_cast<ILedStatus**>(object));
            return E_NOINTERFACE;
        });
    }

    IFACEMETHODIMP GetId(long* number) override {
        return guarded([&]() -> HRESULT {
            if (!number) return E_POINTER;
            if (number_ == 0) return E_FAIL;
            *number = number_;
            return S_OK;
        });
    }

    IFACEMETHODIMP SetName(BSTR name) override { return guarded([&]() -> HRESULT { return setItemName(device::SetProfileName, session_, number_, name); }); }
    IFACEMETHODIMP GetName(BSTR* name) override { return guarded([&]() -> HRESULT { return getItemName(device::GetProfileName, session_, number_, name); }); }

    IFACEMETHODIMP SetButtonMappings(_TProfileParams* params) override {
        return guarded([&]() -> HRESULT {
            CoreMapping* mappings = nullptr;
            const long count = params ? params->lNumMappings : 0;
            if (HRESULT status = mappingArray(params, count, mappings); FAILED(status)) return status;
            return device::SetButtonMappings(session_->driver(), number_,
                                             std::span<const CoreMapping>(mappings, static_cast<std::size_t>(count)));
        });
    }

    // The caller's array holds the nine mappings of the mouse's buttons.
    IFACEMETHODIMP GetButtonMappings(_TProfileParams* params) override {
        return guarded([&]() -> HRESULT {
            CoreMapping* mappings = nullptr;
            constexpr long count = device::kButtonEntries;
            if (HRESULT status = mappingArray(params, count, mappings); FAILED(status)) return status;
            const HRESULT status = device::GetButtonMappings(session_->driver(), number_,
                                                             std::span<CoreMapping, device::kButtonEntries>(mappings, count));
            if (SUCCEEDED(status)) params->lNumMappings = count;
            return status;
        });
    }

private:
    Session session_;
    std::uint8_t number_;
};

class HaldenProfileManager : public IHaldenProfileManager, public EventSource<_IHaldenProfileManagerEvents> {
public:
    explicit HaldenProfileManager(Session session) : session_(std::move(session)) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(HaldenProfileManager, IHaldenProfileManager),
            QITABENT(HaldenProfileManager, IConnectionPointContainer),
            {},
        };
        return table;
    }

    IFACEMETHODIMP GetProfile(long index, IHaldenProfile** profile) override {
        return guarded([&]() -> HRESULT {
            if (!profile) return E_POINTER;
            *profile = nullptr;
            std::uint8_t number = 0;
            if (HRESULT status = device::GetProfile(session_->driver(), index, number); FAILED(status)) return status;
            return createHaldenProfile(session_, number, profile);
        });
    }

    IFACEMETHODIMP OpenProfile(long number, IHaldenProfile** profile) override {
        return guarded([&]() -> HRESULT {
            if (!profile) return E_POINTER;
            *profile = nullptr;
            if (HRESULT status = device::OpenProfile(session_->driver(), number); FAILED(status)) return status;
            return createHaldenProfile(session_, static_cast<std::uint8_t>(number), profile);
        });
    }

    IFACEMETHODIMP SetActiveProfile(IHaldenProfile* profile) override {
        return guarded([&]() -> HRESULT {
            long number = 0;
            if (HRESULT status = profileNumber(profile, number); FAILED(status))
                return status == E_POINTER ? status : E_INVALIDARG;
            return device::SetActiveProfile(session_->driver(), number);
        });
    }

    IFACEMETHODIMP GetActiveProfile(IHaldenProfile** profile) override {
        return guarded([&]() -> HRESULT {
            if (!profile) return E_POINTER;
            *profile = nullptr;
            std::int32_t number = 0;
            if (HRESULT status = device::GetActiveProfileNumber(session_->driver(), number); FAILED(status)) return status;
            // A number the mouse should never answer gets an object without a number (GetId: E_FAIL).
            const bool valid = number >= 1 && number <= device::kProfileCount;
            return createHaldenProfile(session_, valid ? static_cast<std::uint8_t>(number) : 0, profile);
        });
    }

    IFACEMETHODIMP CreateProfile(IHaldenProfile** profile) override {
        return guarded([&]() -> HRESULT {
            if (!profile) return E_POINTER;
            *profile = nullptr;
            std::uint8_t number = 0;
            if (HRESULT status = device::CreateProfile(session_->driver(), number); FAILED(status)) return status;
            return createHaldenProfile(session_, number, profile);
        });
    }

    IFACEMETHODIMP DeleteProfile(IHaldenProfile* profile) override {
        return guarded([&]() -> HRESULT {
            long number = 0;
            if (HRESULT status = profileNumber(profile, number); FAILED(status)) return status;
            return device::DeleteProfile(session_->driver(), number);
        });
    }

    IFACEMETHODIMP Reserved1() override { return S_OK; }
    IFACEMETHODIMP Reserved2() override { return S_OK; }

    IFACEMETHODIMP RaiseActiveProfile() override {
        return guarded([&]() -> HRESULT {
            std::int32_t number = 0;
            if (HRESULT status = device::GetActiveProfileNumber(session_->driver(), number); FAILED(status)) return status;
            _THaldenProfileManagerInfo info{number};
            raise([&info](_IHaldenProfileManagerEvents* sink) { sink->OnHaldenProfileManagerEvent(&info); });
            return S_OK;
        });
    }

    IFACEMETHODIMP GetActiveProfileNumber(long* number) override {
        return guarded([&]() -> HRESULT {
            if (!number) return E_POINTER;
            std::int32_t value = 0;
            const HRESULT status = device::GetActiveProfileNumber(session_->driver(), value);
            if (SUCCEEDED(status)) *number = value;
            return status;
        });
    }

    IFACEMETHODIMP IsProfileInUse(long number) override {
        return guarded([&]() -> HRESULT {
            return device::IsProfileInUse(session_->driver(), number);
        });
    }

private:
    Session session_;
};

}  // namespace

HRESULT createHaldenProfileManager(const Session& session, IHaldenProfileManager** out) {
    return createObject<HaldenProfileManager>(out, session);
}

HRESULT createHaldenProfile(const Session& session, std::uint8_t number, IHaldenProfile** out) {
    return createObject<HaldenProfile>(out, session, number);
}

HRESULT getItemName(ReadItemName read, const Session& session, std::uint8_t item, BSTR* name) {
    if (!name) return E_POINTER;
    *name = nullptr;
    return guarded([&]() -> HRESULT {
        std::u16string text;
        if (HRESULT status = read(session->driver(), item, text); FAILED(status)) return status;
        return handOutBstr(text, name);
    });
}

HRESULT setItemName(WriteItemName write, const Session& session, std::uint8_t item, BSTR name) {
    return guarded([&]() -> HRESULT { return write(session->driver(), item, fromWide(name)); });
}

}  // namespace tessel::com
