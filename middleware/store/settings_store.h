#pragma once
// The settings store: profile groups, profiles, the private profile, spell books, macros and
// user actions in the registry, and their XML exchange files. Every operation opens the entry
// keys it needs and closes them before it returns; nothing is cached between calls.
#include "middleware/store/profile_store.h"
#include "middleware/store/xml_exchange.h"
