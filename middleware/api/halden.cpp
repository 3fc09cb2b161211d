// IHalden: the onboard memory figures, the managers of onboard profiles and macros, and the
// listener of the mouse's own buttons. It keeps a cache of every profile's stages (loaded by
// Download) so that a sensitivity step can be reported without asking the mouse.
#include <array>
#include <cstring>
#include <optional>

#include "middleware/api/client_memory.h"
#include "middleware/api/connection_points.h"
#include "middleware/api/server_objects.h"
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
struct ProfileStages {
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

class Halden : public IHalden,
               public IHaldenDownload,
               public EventSource<_IHaldenEvents>,
               public store::ButtonEventListener {
public:
    explicit Halden(Session session) : session_(std::move(session)) {}
    ~Halden() {
        if (listening_) store::UnregisterButtonEventListener(this);
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

    HRESULT listen() {
        const HRESULT status = store::RegisterButtonEventListener(this);
        listening_ = SUCCEEDED(status);
        return status;
    }

    // --- IHalden ---

    IFACEMETHODIMP GetTotalSpace(long* units) override { return readFigure(units, device::GetTotalSpace); }
    IFACEMETHODIMP GetRemainingSpace(long* units) override { return readFigure(units, device::GetRemainingSpace); }

    IFACEMETHODIMP CreateInterfaceInstance(REFIID iid, IUnknown** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IHaldenProfileManager)
            return createHaldenProfileManager(session_, reinterpret_cast<IHaldenProfileManager**>(object));
        if (iid == IID_IHaldenMacroManager)
            return createHaldenMacroManager(session_, reinterpret_cast<IHaldenMacroManager**>(object));
        return E_NOINTERFACE;
    }

    // --- IHaldenDownload ---

    // Reads every onboard profile's stages and current sensitivity into the cache. A profile
    // that cannot be read is left out; the others are still cached.
    IFACEMETHODIMP Download() override {
        if (session_->productId == kProductWithoutDownload) return E_FAIL;
        cache_ = {};
        loaded_ = false;
        ComPtr<IHaldenProfileManager> manager;
        if (HRESULT status = createHaldenProfileManager(session_, manager.GetAddressOf()); FAILED(status))
            return status;
        long active = 0;
        if (HRESULT status = manager->GetActiveProfileNumber(&active); FAILED(status)) return status;
        current_ = active;
        lastSeenProfile_ = active;
        for (long index = 0; index < kProfiles; ++index) {
            ProfileStages read;
            long number = 0;
            if (SUCCEEDED(readProfile(manager.Get(), index, number, read))) entry(number) = read;
        }
        loaded_ = true;
        return S_OK;
    }

    // --- ButtonEventListener: the mouse's own buttons ---

    HResult SensitivityStep(std::int32_t steps) override {
        std::optional<ProfileStages>* cached = loaded_ ? &entry(current_) : nullptr;
        if (!cached || !*cached) return raiseCurrentSensitivity();
        ProfileStages& profile = **cached;
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
    template <class Read>
    HRESULT readFigure(long* out, Read read) {
        if (!out) return E_POINTER;
        std::int32_t units = 0;
        const HRESULT status = read(session_->driver(), units);
        if (SUCCEEDED(status)) *out = units;
        return status;
    }

    // The entry of profile `number`; numbers outside 1-5 share an entry that stays empty.
    std::optional<ProfileStages>& entry(long number) {
        if (number < 1 || number > kProfiles) {
            outside_.reset();
            return outside_;
        }
        return cache_[number - 1];
    }

    static void takeStage(ProfileStages& profile, long stage) {
        if (stage < 1 || stage > kStages) return;
        profile.x = static_cast<long>(profile.stages.Sensitivity[stage - 1].ulXSensitivity);
        profile.y = static_cast<long>(profile.stages.Sensitivity[stage - 1].ulYSensitivity);
    }

    static HRESULT readProfile(IHaldenProfileManager* manager, long index, long& number, ProfileStages& read) {
        ComPtr<IHaldenProfile> profile;
        ComPtr<IDpi> dpi;
        HRESULT status = manager->GetProfile(index, profile.GetAddressOf());
        if (SUCCEEDED(status)) status = profile->GetId(&number);
        if (SUCCEEDED(status))
            status = profile->CreateInterfaceInstance(IID_IDpi, reinterpret_cast<IUnknown**>(dpi.GetAddressOf()));
        unsigned long size = 0;
        _stDpiStageType* stages = nullptr;
        if (SUCCEEDED(status)) status = dpi->GetDpiStages(&size, &stages);
        TaskMemory<_stDpiStageType> owned(stages);
        if (SUCCEEDED(status)) status = dpi->GetDpiLevel(&read.x, &read.y);
        if (SUCCEEDED(status)) std::memcpy(&read.stages, stages, sizeof(read.stages));
        return status;
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
    bool listening_ = false;
    bool loaded_ = false;
    long current_ = 0;
    long lastSeenProfile_ = 0;
    std::array<std::optional<ProfileStages>, kProfiles> cache_;
    std::optional<ProfileStages> outside_;
};

}  // namespace

HRESULT createHalden(const Session& session, IHalden** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto halden = makeObject<Halden>(session);
    if (!halden) return E_OUTOFMEMORY;
    if (HRESULT status = halden->listen(); FAILED(status)) return status;
    return handOut(halden, out);
}

}  // namespace tessel::com
