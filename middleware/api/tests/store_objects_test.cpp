// IProfile, IMacroHandling and IUserAction over the real registry: that every operation reaches
// its store with the right arguments and that what comes back is converted by the automation
// and task-allocator rules. The store's own rules are tested with the store.
#include <cstring>
#include <optional>
#include <string>

#include "middleware/api/tests/com_testing.h"

namespace tessel::com::testing {
namespace {

const std::wstring kDeviceRoot = L"Software\\Kavix\\KavixControl_0013";

// An entry of the store written as another process would have left it.
void writeEntry(const std::wstring& path, std::initializer_list<std::pair<const wchar_t*, DWORD>> values) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kDeviceRoot + L"\\" + path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (const auto& [name, value] : values)
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}

std::optional<DWORD> readDword(const std::wstring& path, const wchar_t* name) {
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, (kDeviceRoot + L"\\" + path).c_str(), name, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::vector<std::wstring> bstrs(SAFEARRAY* array) {
    std::vector<std::wstring> texts;
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    for (LONG i = lower; i <= upper; ++i) {
        BSTR text = nullptr;
        SafeArrayGetElement(array, &i, &text);
        texts.emplace_back(text ? text : L"");
        SysFreeString(text);
    }
    SafeArrayDestroy(array);
    return texts;
}

SAFEARRAY* bstrArray(std::initializer_list<const wchar_t*> texts) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(texts.size()));
    LONG i = 0;
    for (const wchar_t* text : texts) {
        BSTR copy = SysAllocString(text);
        SafeArrayPutElement(array, &i, copy);
        SysFreeString(copy);
        ++i;
    }
    return array;
}

// A VT_RECORD array of the type library's record `name`.
template <class Record>
SAFEARRAY* recordArray(const wchar_t* name, const std::vector<Record>& records) {
    ComPtr<ITypeLib> library;
    EXPECT_EQ(LoadTypeLibEx(serverPath().c_str(), REGKIND_NONE, library.GetAddressOf()), S_OK);
    ITypeInfo* info[1] = {};
    MEMBERID member[1] = {};
    USHORT found = 1;
    std::wstring text = name;
    EXPECT_EQ(library->FindName(text.data(), 0, info, member, &found), S_OK);
    ComPtr<IRecordInfo> recordInfo;
    EXPECT_EQ(GetRecordInfoFromTypeInfo(info[0], recordInfo.GetAddressOf()), S_OK);
    info[0]->Release();
    SAFEARRAY* array = SafeArrayCreateVectorEx(VT_RECORD, 0, static_cast<ULONG>(records.size()), recordInfo.Get());
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    if (!records.empty()) std::memcpy(data, records.data(), records.size() * sizeof(Record));
    SafeArrayUnaccessData(array);
    return array;
}

template <class Record>
std::vector<Record> records(SAFEARRAY* array, const GUID& expected) {
    ComPtr<IRecordInfo> info;
    EXPECT_EQ(SafeArrayGetRecordInfo(array, info.GetAddressOf()), S_OK);
    GUID guid{};
    if (info) info->GetGuid(&guid);
    EXPECT_EQ(guid, expected);
    LONG upper = -1;
    SafeArrayGetUBound(array, 1, &upper);
    std::vector<Record> result(static_cast<size_t>(upper + 1));
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    if (!result.empty()) std::memcpy(result.data(), data, result.size() * sizeof(Record));
    SafeArrayUnaccessData(array);
    SafeArrayDestroy(array);
    return result;
}

GUID recordGuid(const wchar_t* name) {
    ComPtr<ITypeLib> library;
    LoadTypeLibEx(serverPath().c_str(), REGKIND_NONE, library.GetAddressOf());
    ITypeInfo* info[1] = {};
    MEMBERID member[1] = {};
    USHORT found = 1;
    std::wstring text = name;
    library->FindName(text.data(), 0, info, member, &found);
    TYPEATTR* attributes = nullptr;
    info[0]->GetTypeAttr(&attributes);
    const GUID guid = attributes->guid;
    info[0]->ReleaseTypeAttr(attributes);
    info[0]->Release();
    return guid;
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kDeviceRoot.c_str());
        mouse::reset();
        auto enumeration = createDeviceEnumeration();
        ASSERT_TRUE(enumeration);
        ASSERT_EQ(enumeration->EnumDeviceType(0x13, device_.GetAddressOf()), S_OK);
        ASSERT_EQ(device_->OpenDeviceInterface(0x13), S_OK);
        ASSERT_EQ(device_->CreateProfileInterface(profile_.GetAddressOf()), S_OK);
        ASSERT_EQ(device_->CreateMacroHandlingInterface(macros_.GetAddressOf()), S_OK);
        ASSERT_EQ(device_->CreateUserActionInterface(actions_.GetAddressOf()), S_OK);
    }
    void TearDown() override {
        profile_.Reset();
        macros_.Reset();
        actions_.Reset();
        device_.Reset();
        EXPECT_EQ(serverCanUnloadNow(), S_OK);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kDeviceRoot.c_str());
    }

    static LPWSTR text(const wchar_t* value) { return const_cast<LPWSTR>(value); }

    Apartment apartment_;
    ComPtr<IDeviceType> device_;
    ComPtr<IProfile> profile_;
    ComPtr<IMacroHandling> macros_;
    ComPtr<IUserAction> actions_;
};

TEST_F(StoreTest, ProfileGroupsReachTheirStore) {
    writeEntry(L"Profiles\\Work", {{L"RefCount", 0}, {L"Version", 0}, {L"NumMappings", 0}});
    writeEntry(L"Profiles\\Play", {{L"RefCount", 0}, {L"Version", 0}, {L"NumMappings", 0}});
    LPWSTR members[] = {text(L"Work"), text(L"Play"), text(L"Work")};
    ASSERT_EQ(profile_->SaveProfileGroup(text(L"Everything"), 3, members), S_OK);
    EXPECT_EQ(readDword(L"Profiles\\Work", L"RefCount"), 2u);

    long count = 0;
    ASSERT_EQ(profile_->LoadNumProfileGroups(&count), S_OK);
    EXPECT_EQ(count, 1);
    LPWSTR groups[1] = {};
    ASSERT_EQ(profile_->LoadProfileGroupList(1, groups), S_OK);
    EXPECT_STREQ(groups[0], L"Everything");
    CoTaskMemFree(groups[0]);
    ASSERT_EQ(profile_->LoadNumProfilesInGroup(text(L"Everything"), &count), S_OK);
    EXPECT_EQ(count, 3);
    LPWSTR loaded[2] = {};
    ASSERT_EQ(profile_->LoadProfileGroup(text(L"Everything"), 2, loaded), S_OK);
    EXPECT_STREQ(loaded[0], L"Work");
    EXPECT_STREQ(loaded[1], L"Play");
    for (LPWSTR name : loaded) CoTaskMemFree(name);

    // Asking for more than there are fails and hands out nothing.
    LPWSTR tooMany[4] = {text(L"x"), text(L"x"), text(L"x"), text(L"x")};
    EXPECT_EQ(profile_->LoadProfileGroup(text(L"Everything"), 4, tooMany), E_FAIL);
    for (LPWSTR name : tooMany) EXPECT_EQ(name, nullptr);
    EXPECT_EQ(profile_->LoadNumProfilesInGroup(text(L"Missing"), &count), E_FAIL);
    EXPECT_EQ(count, 0);

    EXPECT_EQ(profile_->DeleteProfile(text(L"Work")), E_FAIL);  // still listed
    ASSERT_EQ(profile_->DeleteProfileGroup(text(L"Everything")), S_OK);
    EXPECT_EQ(profile_->DeleteProfile(text(L"Work")), S_OK);
}

TEST_F(StoreTest, ProfileGroupsInSafeArrays) {
    writeEntry(L"Profiles\\Work", {{L"RefCount", 0}, {L"Version", 0}, {L"NumMappings", 0}});
    SAFEARRAY* members = bstrArray({L"Work"});
    ASSERT_EQ(profile_->SaveProfileGroupManaged(SysAllocString(L"Office"), members), S_OK);
    SafeArrayDestroy(members);
    SAFEARRAY* groups = nullptr;
    ASSERT_EQ(profile_->LoadProfileGroupListManaged(1, &groups), S_OK);
    EXPECT_EQ(bstrs(groups), std::vector<std::wstring>{L"Office"});
    BSTR office = SysAllocString(L"Office");
    SAFEARRAY* loaded = nullptr;
    ASSERT_EQ(profile_->LoadProfileGroupManaged(office, 1, &loaded), S_OK);
    EXPECT_EQ(bstrs(loaded), std::vector<std::wstring>{L"Work"});
    // Not an array of strings.
    SAFEARRAY* numbers = SafeArrayCreateVector(VT_I4, 0, 1);
    EXPECT_EQ(profile_->SaveProfileGroupManaged(office, numbers), E_INVALIDARG);
    EXPECT_EQ(profile_->SaveProfileGroupManaged(office, nullptr), E_POINTER);
    SafeArrayDestroy(numbers);
    SysFreeString(office);
}

TEST_F(StoreTest, MacrosAndSpellBooks) {
    expectMacroRoundTrip(*macros_.Get(), L"Combo");

    LPWSTR book[] = {text(L"Combo")};
    ASSERT_EQ(macros_->SaveSpellBook(text(L"Spells"), 1, book), S_OK);
    EXPECT_EQ(macros_->DeleteMacro(text(L"Combo")), E_FAIL);  // the book names it
    long count = 0;
    ASSERT_EQ(macros_->LoadNumMacrosInSpellBook(text(L"Spells"), &count), S_OK);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(macros_->LoadNumSpellBooks(&count), S_OK);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(macros_->DeleteSpellBook(text(L"Spells")), S_OK);
    EXPECT_EQ(macros_->DeleteMacro(text(L"Combo")), S_OK);
    ASSERT_EQ(macros_->LoadNumMacros(&count), S_OK);
    EXPECT_EQ(count, 0);

    // Loading what is not there hands out nothing.
    _TMacroElement stale{};
    LPWSTR loadedIcon = text(L"stale");
    _TMacroElement* loadedElements = &stale;
    _TMacroParams loaded{};
    loaded.ppszIconFile = &loadedIcon;
    loaded.ppElements = &loadedElements;
    EXPECT_EQ(macros_->LoadMacro(text(L"Combo"), &loaded), E_FAIL);
    EXPECT_EQ(loadedIcon, nullptr);
    EXPECT_EQ(loadedElements, nullptr);
}

TEST_F(StoreTest, MacrosInSafeArrays) {
    const std::vector<TMacroElementManaged> elements = {{BUTTON_ACTION_KEYCODE, 0x1E, 0, 'A', 30, 0},
                                                         {BUTTON_ACTION_CLICK, MOUSE_CLICK_LCLICK, 0, 0, 0, 10}};
    SAFEARRAY* array = recordArray(L"TMacroElementManaged", elements);
    BSTR name = SysAllocString(L"Managed");
    BSTR icon = SysAllocString(L"m.ico");
    ASSERT_EQ(macros_->SaveMacroManaged(name, 2, MACRO_OPTIONS_REPEAT_UNTIL_SAME, MACRO_TYPE_KEYSTROKE, 3, icon, array),
              S_OK);
    SafeArrayDestroy(array);

    long version = 0, repeat = 0;
    _TMacroOptions options{};
    _TMacroType type{};
    BSTR loadedIcon = nullptr;
    SAFEARRAY* loaded = nullptr;
    ASSERT_EQ(macros_->LoadMacroManaged(name, &version, &options, &type, &repeat, &loadedIcon, &loaded), S_OK);
    EXPECT_EQ(version, 2);
    EXPECT_EQ(options, MACRO_OPTIONS_REPEAT_UNTIL_SAME);
    EXPECT_EQ(type, MACRO_TYPE_KEYSTROKE);
    EXPECT_EQ(repeat, 3);
    EXPECT_STREQ(loadedIcon, L"m.ico");
    SysFreeString(loadedIcon);
    const auto back = records<TMacroElementManaged>(loaded, recordGuid(L"TMacroElementManaged"));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(std::memcmp(back.data(), elements.data(), 2 * sizeof(TMacroElementManaged)), 0);

    // Records of another type, though of the same size, are refused.
    SAFEARRAY* wrong = recordArray(L"TButtonMappingManaged", std::vector<TButtonMappingManaged>(1));
    EXPECT_EQ(macros_->SaveMacroManaged(name, 0, MACRO_OPTIONS_USE_REPEAT_COUNT, MACRO_TYPE_ACTION, 0, icon, wrong),
              E_INVALIDARG);
    SafeArrayDestroy(wrong);
    SysFreeString(icon);
    SysFreeString(name);
}

TEST_F(StoreTest, UserActions) {
    unsigned char data[] = {1, 2, 3, 250};
    unsigned char* dataPointer = data;
    _TUserActionParams saved{42, 4, &dataPointer};
    ASSERT_EQ(actions_->SaveUserAction(text(L"Launch"), &saved), S_OK);
    unsigned char* loadedData = nullptr;
    _TUserActionParams loaded{0, 0, &loadedData};
    ASSERT_EQ(actions_->LoadUserAction(text(L"Launch"), &loaded), S_OK);
    EXPECT_EQ(loaded.lCode, 42);
    ASSERT_EQ(loaded.lNumData, 4);
    EXPECT_EQ(std::memcmp(loadedData, data, 4), 0);
    CoTaskMemFree(loadedData);

    _TUserActionParams empty{7, 0, nullptr};
    ASSERT_EQ(actions_->SaveUserAction(text(L"Nothing"), &empty), S_OK);
    _TUserActionParams negative{7, -1, &dataPointer};
    EXPECT_EQ(actions_->SaveUserAction(text(L"Bad"), &negative), E_INVALIDARG);

    BSTR name = SysAllocString(L"Nothing");
    long code = 0;
    SAFEARRAY* bytes = nullptr;
    ASSERT_EQ(actions_->LoadUserActionManaged(name, &code, &bytes), S_OK);
    EXPECT_EQ(code, 7);
    LONG upper = 0;
    SafeArrayGetUBound(bytes, 1, &upper);
    EXPECT_EQ(upper, -1);
    SafeArrayDestroy(bytes);
    SysFreeString(name);

    long count = 0;
    ASSERT_EQ(actions_->LoadNumUserActions(&count), S_OK);
    EXPECT_EQ(count, 2);
    SAFEARRAY* names = nullptr;
    ASSERT_EQ(actions_->LoadUserActionListManaged(2, &names), S_OK);
    EXPECT_EQ(bstrs(names).size(), 2u);
}

TEST_F(StoreTest, ExportAndImportGoThroughTheFile) {
    _TUserActionParams saved{5, 0, nullptr};
    ASSERT_EQ(actions_->SaveUserAction(text(L"Exported"), &saved), S_OK);
    wchar_t directory[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, directory);
    const std::wstring file = std::wstring(directory) + L"tessel-com-export-" + std::to_wstring(GetCurrentProcessId()) + L".xml";
    DeleteFileW(file.c_str());
    ASSERT_EQ(actions_->ExportUserAction(text(L"Exported"), const_cast<LPWSTR>(file.c_str())), S_OK);
    ASSERT_EQ(actions_->DeleteUserAction(text(L"Exported")), S_OK);
    ASSERT_EQ(actions_->ImportAllUserActions(const_cast<LPWSTR>(file.c_str())), S_OK);
    EXPECT_EQ(readDword(L"UserActions\\Exported", L"Code"), 5u);
    EXPECT_EQ(actions_->ExportUserAction(text(L"Exported"), nullptr), E_POINTER);
    DeleteFileW(file.c_str());
}

// The mappings are kept as the private "LastActive" copy; the driver that would take them is
// never open.
TEST_F(StoreTest, ButtonMappingsAreKeptAsLastActive) {
    _TButtonMappingInfo mappings[2] = {};
    mappings[0].lButton = BUTTON_DEFINITION_LEFT_MOUSE;
    mappings[0].mappingType = BUTTON_MAPPING_DISABLED;
    std::memset(&mappings[0].actionOrMacro, 0xCD, sizeof(mappings[0].actionOrMacro));  // garbage, unused
    mappings[1].lButton = BUTTON_DEFINITION_X1;
    mappings[1].mappingType = BUTTON_MAPPING_BUTTONS;
    mappings[1].actionOrMacro.actionInfo.actionType = BUTTON_ACTION_PRESSED;
    _TButtonMappingInfo* array = mappings;
    _TProfileParams params{9, 2, &array};
    EXPECT_EQ(profile_->SetButtonMappings(&params), E_HANDLE);
    EXPECT_EQ(readDword(L"PrivateProfiles\\LastActive", L"NumMappings"), 2u);
    EXPECT_EQ(readDword(L"PrivateProfiles\\LastActive", L"Version"), 0u);

    // A macro mapping without its name pointer is refused before anything is written.
    mappings[1].mappingType = BUTTON_MAPPING_MACRO;
    mappings[1].actionOrMacro.ppszMacroName = nullptr;
    params.lNumMappings = 2;
    EXPECT_EQ(profile_->SetButtonMappings(&params), E_POINTER);
    params.lNumMappings = -1;
    EXPECT_EQ(profile_->SetButtonMappings(&params), E_INVALIDARG);

    SAFEARRAY* managed = recordArray(L"TButtonMappingManaged", std::vector<TButtonMappingManaged>(3));
    EXPECT_EQ(profile_->SetButtonMappingsManaged(0, managed), E_HANDLE);
    SafeArrayDestroy(managed);
    EXPECT_EQ(readDword(L"PrivateProfiles\\LastActive", L"NumMappings"), 3u);

    long version = -1;
    SAFEARRAY* read = nullptr;
    EXPECT_EQ(profile_->GetButtonMappingsManaged(&version, &read), E_HANDLE);
    EXPECT_EQ(read, nullptr);
}

TEST_F(StoreTest, LoadProfileManagedReturnsNoMappings) {
    BSTR name = SysAllocString(L"1");
    long version = -1;
    SAFEARRAY* mappings = nullptr;
    ASSERT_EQ(profile_->LoadProfileManaged(name, &version, &mappings), S_OK);
    EXPECT_EQ(version, 0);
    EXPECT_TRUE(records<TButtonMappingManaged>(mappings, recordGuid(L"TButtonMappingManaged")).empty());
    SysFreeString(name);
}

TEST_F(StoreTest, WithoutAnOpenedDeviceTheStoreIsOutOfReach) {
    ComPtr<IDeviceType> closed;
    auto enumeration = createDeviceEnumeration();
    ASSERT_EQ(enumeration->EnumDeviceType(0x13, closed.GetAddressOf()), S_OK);
    ComPtr<IMacroHandling> macros;
    EXPECT_EQ(closed->CreateMacroHandlingInterface(macros.GetAddressOf()), E_FAIL);
    EXPECT_FALSE(macros);
    ComPtr<IUserAction> actions;
    EXPECT_EQ(closed->CreateUserActionInterface(actions.GetAddressOf()), E_FAIL);
    // The profile object is made all the same; its store operations fail.
    ComPtr<IProfile> profile;
    ASSERT_EQ(closed->CreateProfileInterface(profile.GetAddressOf()), S_OK);
    long count = -1;
    EXPECT_EQ(profile->LoadNumProfileGroups(&count), E_FAIL);
    EXPECT_EQ(profile->DeleteProfile(text(L"Work")), E_FAIL);
    LPWSTR names[1] = {};
    EXPECT_EQ(profile->LoadProfileList(1, names), S_OK);
    CoTaskMemFree(names[0]);
}

}  // namespace
}  // namespace tessel::com::testing
