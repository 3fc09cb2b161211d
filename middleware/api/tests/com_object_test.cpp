// The module count outlives every object: DllCanUnloadNow must not answer S_OK while an
// object's destructor (which may stop a worker thread) still runs code of the module.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "middleware/api/com_object.h"

namespace tessel::com {
namespace {

bool g_idleDuringDestructor = true;

class Probe : public IUnknown {
public:
    static const QITAB* interfaceTable() {
        static const QITAB table[] = {{}};
        return table;
    }
    ~Probe() { g_idleDuringDestructor = ModuleCount::idle(); }
};

TEST(ComObject, TheModuleCountOutlivesTheDestructor) {
    ASSERT_TRUE(ModuleCount::idle());
    auto probe = makeObject<Probe>();
    ASSERT_TRUE(probe);
    EXPECT_FALSE(ModuleCount::idle());
    probe.Reset();
    EXPECT_FALSE(g_idleDuringDestructor) << "the module looked unloadable while the destructor ran";
    EXPECT_TRUE(ModuleCount::idle());
}

// Every exported method's guard: no exception leaves the server.
TEST(ComObject, GuardTurnsExceptionsIntoStatusCodes) {
    EXPECT_EQ(guarded([]() -> HRESULT { return S_FALSE; }), S_FALSE);
    EXPECT_EQ(guarded([]() -> HRESULT { throw std::bad_alloc(); }), E_OUTOFMEMORY);
    EXPECT_EQ(guarded([]() -> HRESULT { throw std::runtime_error("broken"); }), E_UNEXPECTED);
    EXPECT_EQ(guarded([]() -> HRESULT { throw 7; }), E_UNEXPECTED);
}

}  // namespace
}  // namespace tessel::com
