// IUserAction: user actions of the store.
#include "middleware/api/connection_points.h"
#include "middleware/api/store_object.h"

namespace tessel::com {
namespace {

constexpr Exchange<store::UserActionStore> kUserActionFiles{store::exportUserAction, store::importUserAction,
                                                            store::exportAllUserActions, store::importAllUserActions};

class UserAction : public IUserAction, public EventSource<_IUserActionEvents> {
public:
    explicit UserAction(std::unique_ptr<store::UserActionStore> actions) : actions_(std::move(actions)) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(UserAction, IUserAction),
            QITABENT(UserAction, IConnectionPointContainer),
            {},
        };
        return table;
    }

    IFACEMETHODIMP LoadNumUserActions(long* count) override { return guarded([&]() -> HRESULT { return countOf(*actions_, count); }); }

    IFACEMETHODIMP LoadUserActionList(long count, LPWSTR* names) override {
        return guarded([&]() -> HRESULT {
            return guarded(
                [&]() -> HRESULT { return loadNames(count, names, [&](Names& listed) -> HRESULT { return actions_->list(count, listed); }); });
        });
    }

    IFACEMETHODIMP SaveUserAction(LPWSTR action, _TUserActionParams* params) override {
        return guarded([&]() -> HRESULT {
            if (!params) return E_POINTER;
            return withName(action, [&](const std::u16string& name) -> HRESULT {
                store::UserAction value;
                if (HResult status = store::fromRecord(*asCore<records::_TUserActionParams>(params), value);
                    hr::failed(status))
                    return status;
                return actions_->save(name, value);
            });
        });
    }

    // The data comes in a new task-allocator block of lNumData bytes.
    IFACEMETHODIMP LoadUserAction(LPWSTR action, _TUserActionParams* params) override {
        return guarded([&]() -> HRESULT {
            if (!params || !params->ppData) return E_POINTER;
            *params->ppData = nullptr;
            return withName(action, [&](const std::u16string& name) -> HRESULT {
                store::UserAction value;
                if (HResult status = actions_->load(name, value); hr::failed(status)) return status;
                auto data = allocateTaskMemory<unsigned char>(value.data.size());
                if (!data) return E_OUTOFMEMORY;
                if (!value.data.empty()) std::memcpy(data.get(), value.data.data(), value.data.size());
                params->lCode = value.code;
                params->lNumData = static_cast<long>(value.data.size());
                *params->ppData = data.release();
                return S_OK;
            });
        });
    }

    IFACEMETHODIMP DeleteUserAction(LPWSTR action) override {
        return guarded([&]() -> HRESULT {
            return withName(action, [&](const std::u16string& name) -> HRESULT { return actions_->remove(name); });
        });
    }

    IFACEMETHODIMP ExportUserAction(LPWSTR action, LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return kUserActionFiles.exportItem(*actions_, action, file);
        });
    }
    IFACEMETHODIMP ImportUserAction(LPWSTR action, LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return kUserActionFiles.importItem(*actions_, action, file);
        });
    }
    IFACEMETHODIMP ExportAllUserActions(LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return kUserActionFiles.exportEvery(*actions_, file);
        });
    }
    IFACEMETHODIMP ImportAllUserActions(LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return kUserActionFiles.importEvery(*actions_, file);
        });
    }

    IFACEMETHODIMP LoadUserActionListManaged(long count, SAFEARRAY** names) override {
        return guarded([&]() -> HRESULT {
            return guarded(
                [&]() -> HRESULT { return loadNamesManaged(names, [&](Names& listed) -> HRESULT { return actions_->list(count, listed); }); });
        });
    }

    IFACEMETHODIMP SaveUserActionManaged(BSTR action, long code, SAFEARRAY* data) override {
        return guarded([&]() -> HRESULT {
            return withName(action, [&](const std::u16string& name) -> HRESULT {
                store::UserAction value{code, {}};
                if (HRESULT status = readByteSafeArray(data, value.data); FAILED(status)) return status;
                return actions_->save(name, value);
            });
        });
    }

    IFACEMETHODIMP LoadUserActionManaged(BSTR action, long* code, SAFEARRAY** data) override {
        return guarded([&]() -> HRESULT {
            if (!code || !data) return E_POINTER;
            *data = nullptr;
            return withName(action, [&](const std::u16string& name) -> HRESULT {
                store::UserAction value;
                if (HResult status = actions_->load(name, value); hr::failed(status)) return status;
                SafeArrayOwner array;
                if (HRESULT status = makeByteSafeArray(value.data, array); FAILED(status)) return status;
                *code = value.code;
                handOutSafeArray(array, data);
                return S_OK;
            });
        });
    }

private:
    std::unique_ptr<store::UserActionStore> actions_;
};

}  // namespace

HRESULT createUserAction(const Session& session, IUserAction** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::u16string keyName;
    if (HRESULT status = deviceKeyName(session, keyName); FAILED(status)) return status;
    std::unique_ptr<store::UserActionStore> actions;
    if (FAILED(guarded([&]() -> HRESULT { return store::UserActionStore::open(systemPorts().registry(), keyName, actions); })))
        return E_FAIL;
    return createObject<UserAction>(out, std::move(actions));
}

}  // namespace tessel::com
