// The onboard macros: the macro manager and one object per macro index (id = index + 1).
#include <span>
#include <string>

#include "middleware/api/client_memory.h"
#include "middleware/api/server_objects.h"
#include "middleware/device/macro_memory.h"

namespace tessel::com {
namespace {

using CoreElement = records::_TMacroElement;

// Ids that name a one-byte index.
constexpr long kFirstMacroId = 1;
constexpr long kLastMacroId = 256;

class HaldenMacro : public IHaldenMacro {
public:
    HaldenMacro(Session session, std::uint8_t index) : session_(std::move(session)), index_(index) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {QITABENT(HaldenMacro, IHaldenMacro), {}};
        return table;
    }

    IFACEMETHODIMP GetId(long* id) override {
        return guarded([&]() -> HRESULT {
            if (!id) return E_POINTER;
            *id = long{index_} + 1;
            return S_OK;
        });
    }

    IFACEMETHODIMP SetName(BSTR name) override { return guarded([&]() -> HRESULT { return setItemName(device::SetMacroName, session_, index_, name); }); }
    IFACEMETHODIMP GetName(BSTR* name) override { return guarded([&]() -> HRESULT { return getItemName(device::GetMacroName, session_, index_, name); }); }

    // Without parameters the macro becomes the empty image.
    IFACEMETHODIMP SetElements(_TMacroParams* params) override {
        return guarded([&]() -> HRESULT {
            if (!params) return device::ClearMacroElements(session_->driver(), index_);
            if (params->lNumElements < 0) return E_INVALIDARG;
            const CoreElement* elements = nullptr;
            if (params->lNumElements > 0) {
                if (!params->ppElements || !*params->ppElements) return E_POINTER;
                elements = asCore<CoreElement>(*params->ppElements);
            }
            try {
                return device::SetMacroElements(session_->driver(), index_, params->FixedDelay,
                                                std::span<const CoreElement>(elements, params->lNumElements));
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
        });
    }

    // Fills the caller's record; the elements come in a new task-allocator array.
    IFACEMETHODIMP GetElements(_TMacroParams* params) override {
        return guarded([&]() -> HRESULT {
            if (!params || !params->ppElements) return E_POINTER;
            device::DecodedMacro macro;
            try {
                if (HRESULT status = device::GetMacroElements(session_->driver(), index_, macro); FAILED(status))
                    return status;
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
            auto elements = allocateTaskMemory<_TMacroElement>(macro.elements.size() * sizeof(_TMacroElement));
            if (!elements) return E_OUTOFMEMORY;
            if (!macro.elements.empty())
                std::memcpy(elements.get(), macro.elements.data(), macro.elements.size() * sizeof(_TMacroElement));
            params->lVersion = macro.params.lVersion;
            params->options = static_cast<_TMacroOptions>(macro.params.options);
            params->type = static_cast<_TMacroType>(macro.params.type);
            params->FixedDelay = macro.params.FixedDelay;
            params->lRepeat = macro.params.lRepeat;
            params->lNumElements = static_cast<long>(macro.elements.size());
            if (params->ppszIconFile) *params->ppszIconFile = nullptr;
            *params->ppElements = elements.release();
            return S_OK;
        });
    }

private:
    Session session_;
    std::uint8_t index_;
};

class HaldenMacroManager : public IHaldenMacroManager {
public:
    explicit HaldenMacroManager(Session session) : session_(std::move(session)) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {QITABENT(HaldenMacroManager, IHaldenMacroManager), {}};
        return table;
    }

    // Position 0 re-reads the directory; later positions walk that reading.
    IFACEMETHODIMP GetMacro(long position, IHaldenMacro** macro) override {
        return guarded([&]() -> HRESULT {
            if (!macro) return E_POINTER;
            *macro = nullptr;
            if (position < 0) return E_INVALIDARG;
            std::uint8_t index = 0;
            if (HRESULT status = macros_.GetMacro(session_->driver(), static_cast<std::uint32_t>(position), index);
                FAILED(status))
                return status;
            return createHaldenMacro(session_, index, macro);
        });
    }

    IFACEMETHODIMP OpenMacro(long id, IHaldenMacro** macro) override {
        return guarded([&]() -> HRESULT {
            if (!macro) return E_POINTER;
            *macro = nullptr;
            if (id < kFirstMacroId || id > kLastMacroId) return E_INVALIDARG;
            return createHaldenMacro(session_, static_cast<std::uint8_t>(id - 1), macro);
        });
    }

    IFACEMETHODIMP CreateMacro(IHaldenMacro** macro) override {
        return guarded([&]() -> HRESULT {
            if (!macro) return E_POINTER;
            *macro = nullptr;
            std::uint8_t index = 0;
            if (HRESULT status = device::CreateMacro(session_->driver(), index); FAILED(status)) return status;
            return createHaldenMacro(session_, index, macro);
        });
    }

    IFACEMETHODIMP DeleteMacro(IHaldenMacro* macro) override {
        return guarded([&]() -> HRESULT {
            if (!macro) return E_POINTER;
            long id = 0;
            if (HRESULT status = macro->GetId(&id); FAILED(status)) return status;
            if (id < kFirstMacroId || id > kLastMacroId) return E_INVALIDARG;
            return device::DeleteMacro(session_->driver(), static_cast<std::uint8_t>(id - 1));
        });
    }

private:
    Session session_;
    device::MacroEnumeration macros_;
};

}  // namespace

HRESULT createHaldenMacroManager(const Session& session, IHaldenMacroManager** out) {
    return createObject<HaldenMacroManager>(out, session);
}

HRESULT createHaldenMacro(const Session& session, std::uint8_t index, IHaldenMacro** out) {
    return createObject<HaldenMacro>(out, session, index);
}

}  // namespace tessel::com
