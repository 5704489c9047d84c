#include "platform/unique_handle_windows.h"
#include "tests/reports/atomic_save_checks.h"

namespace orvane::testing {
namespace {

TEST_F(FailedSave, TargetHeldOpenWithoutDeleteSharing) {
    const UniqueFileHandle held(CreateFileW(target_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    expectSaveFailure(target_, "new text", kCannotSaveReport);
}

}  // namespace
}  // namespace orvane::testing
