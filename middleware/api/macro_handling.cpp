// IMacroHandling: spell books and macros of the store.
#include "middleware/api/connection_points.h"
#include "middleware/api/store_object.h"

namespace tessel::com {
namespace {

constexpr Exchange<store::SpellBookStore> kSpellBookFiles{store::exportSpellBook, store::importSpellBook,
                                                          store::exportAllSpellBooks, store::importAllSpellBooks};
constexpr Exchange<store::MacroStore> kMacroFiles{store::exportMacro, store::importMacro, store::exportAllMacros,
                                                  store::importAllMacros};

class MacroHandling : public IMacroHandling, public EventSource<_IMacroHandlingEvents> {
public:
    explicit MacroHandling(std::unique_ptr<store::SpellBookStore> books) : books_(std::move(books)) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(MacroHandling, IMacroHandling),
            QITABENT(MacroHandling, IConnectionPointContainer),
            {},
        };
        return table;
    }

    // --- spell books ---

    IFACEMETHODIMP LoadNumSpellBooks(long* count) override { return guarded([&]() -> HRESULT { return countOf(*books_, count); }); }

    IFACEMETHODIMP LoadSpellBookList(long count, LPWSTR* names) override {
        return guarded([&]() -> HRESULT {
            return guarded([&]() -> HRESULT { return loadNames(count, names, [&](Names& listed) -> HRESULT { return books_->list(count, listed); }); });
        });
    }

    IFACEMETHODIMP LoadNumMacrosInSpellBook(LPWSTR book, long* count) override {
        return guarded([&]() -> HRESULT {
            if (!count) return E_POINTER;
            *count = 0;
            return withName(book, [&](const std::u16string& name) -> HRESULT {
                std::int32_t value = 0;
                const HResult status = books_->memberCount(name, value);
                return readCount(count, value, status);
            });
        });
    }

    IFACEMETHODIMP SaveSpellBook(LPWSTR book, long count, LPWSTR* macros) override {
        return guarded([&]() -> HRESULT {
            return withName(book, [&](const std::u16string& name) -> HRESULT {
                Names members;
                if (HRESULT status = readNames(count, macros, members); FAILED(status)) return status;
                return books_->save(name, members);
            });
        });
    }

    IFACEMETHODIMP LoadSpellBook(LPWSTR book, long count, LPWSTR* macros) override {
        return guarded([&]() -> HRESULT {
            return withName(book, [&](const std::u16string& name) -> HRESULT {
                return loadNames(count, macros, [&](Names& members) -> HRESULT { return books_->load(name, count, members); });
            });
        });
    }

    IFACEMETHODIMP DeleteSpellBook(LPWSTR book) override {
        return guarded([&]() -> HRESULT {
            return withName(book, [&](const std::u16string& name) -> HRESULT { return books_->remove(name); });
        });
    }

    IFACEMETHODIMP ExportSpellBook(LPWSTR book, LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return kSpellBookFiles.exportItem(*books_, book, file);
        });
    }
    IFACEMETHODIMP ImportSpellBook(LPWSTR book, LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return kSpellBookFiles.importItem(*books_, book, file);
        });
    }
    IFACEMETHODIMP ExportAllSpellBooks(LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return kSpellBookFiles.exportEvery(*books_, file);
        });
    }
    IFACEMETHODIMP ImportAllSpellBooks(LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return kSpellBookFiles.importEvery(*books_, file);
        });
    }

    // --- macros ---

    IFACEMETHODIMP LoadNumMacros(long* count) override { return guarded([&]() -> HRESULT { return countOf(macros(), count); }); }

    IFACEMETHODIMP LoadMacroList(long count, LPWSTR* names) override {
        return guarded([&]() -> HRESULT {
            return guarded([&]() -> HRESULT { return loadNames(count, names, [&](Names& listed) -> HRESULT { return macros().list(count, listed); }); });
        });
    }

    IFACEMETHODIMP SaveMacro(LPWSTR macro, _TMacroParams* params) override {
        return guarded([&]() -> HRESULT {
            if (!params) return E_POINTER;
            return withName(macro, [&](const std::u16string& name) -> HRESULT {
                store::Macro value;
                if (HResult status = store::fromRecord(*asCore<records::_TMacroParams>(params), value); hr::failed(status))
                    return status;
                return macros().save(name, value);
            });
        });
    }

    // The icon file name and the elements come in new task-allocator blocks; FixedDelay stays.
    IFACEMETHODIMP LoadMacro(LPWSTR macro, _TMacroParams* params) override {
        return guarded([&]() -> HRESULT {
            if (!params || !params->ppszIconFile || !params->ppElements) return E_POINTER;
            *params->ppszIconFile = nullptr;
            *params->ppElements = nullptr;
            return withName(macro, [&](const std::u16string& name) -> HRESULT {
                store::Macro value;
                if (HResult status = macros().load(name, value); hr::failed(status)) return status;
                TaskMemory<wchar_t> icon;
                auto elements = allocateTaskMemory<_TMacroElement>(value.elements.size() * sizeof(_TMacroElement));
                LPWSTR iconText = nullptr;
                if (HRESULT status = handOutTaskString(value.iconFile, &iconText); FAILED(status)) return status;
                icon.reset(iconText);
                if (!elements) return E_OUTOFMEMORY;
                if (!value.elements.empty())
                    std::memcpy(elements.get(), value.elements.data(), value.elements.size() * sizeof(_TMacroElement));
                params->lVersion = value.version;
                params->options = static_cast<_TMacroOptions>(value.options);
                params->type = static_cast<_TMacroType>(value.type);
                params->lRepeat = value.repeat;
                params->lNumElements = static_cast<long>(value.elements.size());
                *params->ppszIconFile = icon.release();
                *params->ppElements = elements.release();
                return S_OK;
            });
        });
    }

    IFACEMETHODIMP DeleteMacro(LPWSTR macro) override {
        return guarded([&]() -> HRESULT {
            return withName(macro, [&](const std::u16string& name) -> HRESULT { return macros().remove(name); });
        });
    }

    IFACEMETHODIMP ExportMacro(LPWSTR macro, LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return kMacroFiles.exportItem(macros(), macro, file);
        });
    }
    IFACEMETHODIMP ImportMacro(LPWSTR macro, LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return kMacroFiles.importItem(macros(), macro, file);
        });
    }
    IFACEMETHODIMP ExportAllMacros(LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return kMacroFiles.exportEvery(macros(), file);
        });
    }
    IFACEMETHODIMP ImportAllMacros(LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return kMacroFiles.importEvery(macros(), file);
        });
    }

    // --- safe-array forms ---

    IFACEMETHODIMP LoadSpellBookListManaged(long count, SAFEARRAY** names) override {
        return guarded([&]() -> HRESULT {
            return guarded([&]() -> HRESULT { return loadNamesManaged(names, [&](Names& listed) -> HRESULT { return books_->list(count, listed); }); });
        });
    }

    IFACEMETHODIMP SaveSpellBookManaged(BSTR book, SAFEARRAY* macros) override {
        return guarded([&]() -> HRESULT {
            return withName(book, [&](const std::u16string& name) -> HRESULT {
                Names members;
                if (HRESULT status = readBstrArray(macros, members); FAILED(status)) return status;
                return books_->save(name, members);
            });
        });
    }

    IFACEMETHODIMP LoadSpellBookManaged(BSTR book, long count, SAFEARRAY** macros) override {
        return guarded([&]() -> HRESULT {
            return withName(book, [&](const std::u16string& name) -> HRESULT {
                return loadNamesManaged(macros, [&](Names& members) -> HRESULT { return books_->load(name, count, members); });
            });
        });
    }

    IFACEMETHODIMP LoadMacroListManaged(long count, SAFEARRAY** names) override {
        return guarded([&]() -> HRESULT {
            return guarded([&]() -> HRESULT { return loadNamesManaged(names, [&](Names& listed) -> HRESULT { return macros().list(count, listed); }); });
        });
    }

    IFACEMETHODIMP SaveMacroManaged(BSTR macro, long version, _TMacroOptions options, _TMacroType type, long repeat,
                                    BSTR iconFile, SAFEARRAY* elements) override {
        return guarded([&]() -> HRESULT {
            return withName(macro, [&](const std::u16string& name) -> HRESULT {
                std::vector<records::TMacroElementManaged> managed;
                if (HRESULT status = readManaged(elements, kElementRecord, managed); FAILED(status)) return status;
                store::Macro value{version, options, type, repeat, fromWide(iconFile), {}};
                for (const auto& element : managed) value.elements.push_back(store::fromManaged(element));
                return macros().save(name, value);
            });
        });
    }

    IFACEMETHODIMP LoadMacroManaged(BSTR macro, long* version, _TMacroOptions* options, _TMacroType* type,
                                    long* repeat, BSTR* iconFile, SAFEARRAY** elements) override {
        return guarded([&]() -> HRESULT {
            if (!version || !options || !type || !repeat || !iconFile || !elements) return E_POINTER;
            *iconFile = nullptr;
            *elements = nullptr;
            return withName(macro, [&](const std::u16string& name) -> HRESULT {
                store::Macro value;
                if (HResult status = macros().load(name, value); hr::failed(status)) return status;
                std::vector<records::TMacroElementManaged> managed;
                for (const auto& element : value.elements) managed.push_back(store::toManaged(element));
                BSTR iconText = nullptr;
                if (HRESULT status = handOutBstr(value.iconFile, &iconText); FAILED(status)) return status;
                BstrOwner icon(iconText);
                if (HRESULT status = handOutManaged(managed, kElementRecord, elements); FAILED(status)) return status;
                *version = value.version;
                *options = static_cast<_TMacroOptions>(value.options);
                *type = static_cast<_TMacroType>(value.type);
                *repeat = value.repeat;
                *iconFile = icon.release();
                return S_OK;
            });
        });
    }

private:
    const store::MacroStore& macros() const { return books_->macros(); }

    std::unique_ptr<store::SpellBookStore> books_;
};

}  // namespace

HRESULT createMacroHandling(const Session& session, IMacroHandling** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::u16string keyName;
    if (HRESULT status = deviceKeyName(session, keyName); FAILED(status)) return status;
    std::unique_ptr<store::SpellBookStore> books;
    if (FAILED(guarded([&]() -> HRESULT { return store::SpellBookStore::open(systemPorts().registry(), keyName, books); })))
        return E_FAIL;
    return createObject<MacroHandling>(out, std::move(books));
}

}  // namespace tessel::com
