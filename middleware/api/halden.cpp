// IHalden: the onboard memory figures, the managers of onboard profiles and macros, and the
// listener of the mouse's own buttons. It keeps a cache of every profile's stages (loaded by
// Download) so that a sensitivity step can be reported without asking the mouse.
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "middleware/api/client_memory.h"
#include "middleware/api/connection_points.h"
#include "middleware/api/server_objects.h"
#include "middleware/device/onboard_profiles.h"
#include "middleware/device/settings_commands.h"
#include "middleware/store/button_events.h"

namespace tessel::com {
namespace {

constexpr long kDpiStep = 100;
constexpr long kMinDpi = 100;
constexpr long kMaxDpi = 5600;
constexpr long kProfiles = 5;
constexpr long kStages = 5;
// ValidFields of _THaldenInfoType.
constexpr long kSensitivityValid = 1;
constexpr long kProfileValid = 2;
// A product without onboard profiles to download.
constexpr std::uint16_t kProductWithoutDownload = 10;

// The cached state of one onboard profile.
struct CachedProfile {
    long x = 0;
    long y = 0;
    records::_stDpiStageType stages{};
};

// The step n (in units of 100 DPI) limited so that both x + 100 n and y + 100 n stay within
// 100 ... 5600, X limiting first. Divisions truncate toward zero.
long limitStep(long x, long y, long n) {
    auto step = [](long value, long bound) { return (bound - value) / kDpiStep; };
    const long long up = static_cast<long long>(kDpiStep) * n;
    if (x + up > kMaxDpi) {
        n = step(x, kMaxDpi);
        if (y + kDpiStep * n > kMaxDpi) n = step(y, kMaxDpi);
    } else if (x + up < kMinDpi) {
        n = step(x, kMinDpi);
        if (y + kDpiStep * n < kMinDpi) n = step(y, kMinDpi);
    } else if (y + up > kMaxDpi) {
        n = step(y, kMaxDpi);
    } else if (y + up < kMinDpi) {
        n = step(y, kMinDpi);
    }
    return n;
}

// Listens to the mouse's own buttons only while a sink of its events is connected: the thread
// that subscribes (and so pumps messages) hosts the keyboard hook, and nothing else observes
// the stage cache.
class Halden : public IHalden,
               public IHaldenDownload,
               public EventSource<_IHaldenEvents>,
               public store::ButtonEventListener,
               private SinkObserver {
public:
    explicit Halden(Session session) : EventSource<_IHaldenEvents>(this), session_(std::move(session)) {}
    ~Halden() {
        if (listening_) {
            store::UnregisterButtonEventListener(this);
            store::AwaitButtonEventCalls(this);
        }
    }

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(Halden, IHalden),
            QITABENT(Halden, IHaldenDownload),
            QITABENT(Halden, IConnectionPointContainer),
            {},
        };
        return table;
    }


    // --- IHalden ---

    IFACEMETHODIMP GetTotalSpace(long* units) override { return guarded([&]() -> HRESULT { return readFigure(units, device::GetTotalSpace); }); }
    IFACEMETHODIMP GetRemainingSpace(long* units) override { return guarded([&]() -> HRESULT { return readFigure(units, device::GetRemainingSpace); }); }

    IFACEMETHODIMP CreateInterfaceInstance(REFIID iid, IUnknown** object) override {
        return guarded([&]() -> HRESULT {
            if (!object) return E_POINTER;
            *object = nullptr;
            if (iid == IID_IHaldenProfileManager)
                return createHaldenProfileManager(session_, reinterpret_cast<IHaldenProfileManager**>(object));
            if (iid == IID_IHaldenMacroManager)
                return createHaldenMacroManager(session_, reinterpret_cast<IHaldenMacroManager**>(object));
            return E_NOINTERFACE;
        });
    }

    // --- IHaldenDownload ---

    // Reads every onboard profile's stages and current sensitivity into the cache. A profile
    // that cannot be read is left out; the others are still cached. Each name record and block
    // is read once: the tray runs this at every connection, and the pointer stalls meanwhile.
    IFACEMETHODIMP Download() override {
        return guarded([&]() -> HRESULT {
            if (session_->productId == kProductWithoutDownload) return E_FAIL;
            cache_ = {};
            loaded_ = false;
            device::DriverHandler* driver = session_->driver();
            std::int32_t active = 0;
            if (HRESULT status = device::GetActiveProfileNumber(driver, active); FAILED(status)) return status;
            current_ = active;
            lastSeenProfile_ = active;
            std::vector<std::uint8_t> numbers;
            std::vector<device::ProfileStages> read;
            std::uint32_t x = 0, y = 0;
            if (SUCCEEDED(device::GetProfilesInUse(driver, numbers)) &&
                SUCCEEDED(device::GetDpiStagesOfProfiles(driver, numbers, read, x, y))) {
                for (const device::ProfileStages& profile : read)
                    entry(profile.number) = CachedProfile{static_cast<long>(x), static_cast<long>(y), profile.stages};
            }
            loaded_ = true;
            return S_OK;
        });
    }

    // --- ButtonEventListener: the mouse's own buttons ---

    HResult SensitivityStep(std::int32_t steps) override {
        std::optional<CachedProfile>* cached = loaded_ ? &entry(current_) : nullptr;
        if (!cached || !*cached) return raiseCurrentSensitivity();
        CachedProfile& profile = **cached;
        const long n = limitStep(profile.x, profile.y, steps);
        profile.x += kDpiStep * n;
        profile.y += kDpiStep * n;
        raiseSensitivity(profile.x, profile.y);
        return S_OK;
    }

    HResult StageSelected(std::int32_t stage) override {
        if (!loaded_ || stage < 1 || stage > kStages) return S_OK;
        if (auto& profile = entry(current_)) {
            profile->stages.lCurrentStage = stage;
            takeStage(*profile, stage);
        }
        return S_OK;
    }

    HResult ProfileSelected(std::int32_t number) override {
        lastSeenProfile_ = number;
        if (loaded_) {
            current_ = number;
            if (auto& profile = entry(number)) takeStage(*profile, profile->stages.lCurrentStage);
        }
        _THaldenInfoType info{kProfileValid, 0, 0, number};
        raise([&info](_IHaldenEvents* sink) { sink->OnHaldenEvent(&info); });
        return S_OK;
    }

    HResult Refresh() override {
        ComPtr<IHaldenProfileManager> manager;
        long active = 0;
        if (SUCCEEDED(createHaldenProfileManager(session_, manager.GetAddressOf())) &&
            SUCCEEDED(manager->GetActiveProfileNumber(&active)) && active != lastSeenProfile_)
            return ProfileSelected(active);
        long x = 0, y = 0;
        if (HRESULT status = readCurrentSensitivity(x, y); FAILED(status)) return status;
        auto& profile = entry(current_);
        if (!profile || (profile->x == x && profile->y == y)) return S_OK;
        profile->x = x;
        profile->y = y;
        raiseSensitivity(x, y);
        return S_OK;
    }

private:
    HRESULT sinksChanged() override {
        std::scoped_lock guard(listenLock_);
        const bool wanted = hasSinks();
        if (wanted == listening_) return S_OK;
        if (!wanted) {
            store::UnregisterButtonEventListener(this);
            listening_ = false;
            return S_OK;
        }
        const HRESULT status = store::RegisterButtonEventListener(this);
        listening_ = SUCCEEDED(status);
        return status;
    }

    template <class Read>
    HRESULT readFigure(long* out, Read read) {
        if (!out) return E_POINTER;
        std::int32_t units = 0;
        const HRESULT status = read(session_->driver(), units);
        if (SUCCEEDED(status)) *out = units;
        return status;
    }

    // The entry of profile `number`; numbers outside 1-5 share an entry that stays empty.
    std::optional<CachedProfile>& entry(long number) {
        if (number < 1 || number > kProfiles) {
            outside_.reset();
            return outside_;
        }
        return cache_[number - 1];
    }

    static void takeStage(CachedProfile& profile, long stage) {
        if (stage < 1 || stage > kStages) return;
        profile.x = static_cast<long>(profile.stages.Sensitivity[stage - 1].ulXSensitivity);
        profile.y = static_cast<long>(profile.stages.Sensitivity[stage - 1].ulYSensitivity);
    }

    HRESULT readCurrentSensitivity(long& x, long& y) {
        std::uint32_t readX = 0, readY = 0;
        const HRESULT status = device::GetDpiLevel(session_->driver(), readX, readY);
        x = static_cast<long>(readX);
        y = static_cast<long>(readY);
        return status;
    }

    // Without a loaded cache the mouse is asked; a failed read raises nothing.
    HRESULT raiseCurrentSensitivity() {
        long x = 0, y = 0;
        if (HRESULT status = readCurrentSensitivity(x, y); FAILED(status)) return status;
        raiseSensitivity(x, y);
        return S_OK;
    }

    void raiseSensitivity(long x, long y) {
        _THaldenInfoType info{kSensitivityValid, x, y, 0};
        raise([&info](_IHaldenEvents* sink) { sink->OnHaldenEvent(&info); });
    }

    Session session_;
    win32::CriticalSection listenLock_;
    bool listening_ = false;  // registered with the button events; under listenLock_
    bool loaded_ = false;
    long current_ = 0;
    long lastSeenProfile_ = 0;
    std::array<std::optional<CachedProfile>, kProfiles> cache_;
    std::optional<CachedProfile> outside_;
};

}  // namespace

HRESULT createHalden(const Session& session, IHalden** out) { return createObject<Halden>(out, session); }

}  // namespace tessel::com
