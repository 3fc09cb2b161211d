#pragma once
// The store's items as exchange-file items and back.
//
// Children of each kind, in order:
//   ProfileGroup  <ProfilePtr ptr="profile"></ProfilePtr> per member
//   Profile       Keys "Version", "NumMappings" (DWORD), "0000"… (BINARY mapping values)
//   SpellBook     <MacroPtr ptr="macro"></MacroPtr> per member
//   Macro         Keys "Version", "Options", "Type", "Repeat" (DWORD), "IconFile" (STRING),
//                 "NumElements" (DWORD), "0000"… (BINARY, 24 bytes each)
//   UserAction    Keys "Code", "NumData" (DWORD), "Data" (BINARY)
// A Key is <Key value="name" type="DWORD|BINARY|STRING" data="…"></Key>: decimal numbers,
// binary data as upper-case hexadecimal digit pairs, strings verbatim. "RefCount" is never
// written.
#include <string>
#include <vector>

#include "middleware/store/store_values.h"
#include "middleware/store/xml_exchange_file.h"

namespace tessel::store {

// Building fails with E_INVALIDARG when a name or string would not read back: text holding a
// double quote, '<', '>' or a line break would end the tag or the attribute early.
HResult makeListItem(XmlKind kind, const std::u16string& name,
                     const std::vector<std::u16string>& members, XmlItem& item);
HResult makeProfileItem(const std::u16string& name, const Profile& profile, XmlItem& item);
HResult makeMacroItem(const std::u16string& name, const Macro& macro, XmlItem& item);
HResult makeUserActionItem(const std::u16string& name, const UserAction& action, XmlItem& item);

// Reading fails with E_FAIL on anything the item cannot mean: a missing count, a count that
// differs from the values present, an index out of range or given twice, a mapping or element
// under 24 bytes, binary data that is not hexadecimal, "Data" whose length is not "NumData".
// DWORD data is read as a decimal integer (text that is not a number reads as 0).
HResult readListItem(XmlKind kind, const XmlItem& item, std::vector<std::u16string>& members);
HResult readProfileItem(const XmlItem& item, Profile& profile);
HResult readMacroItem(const XmlItem& item, Macro& macro);
HResult readUserActionItem(const XmlItem& item, UserAction& action);

}  // namespace tessel::store
