#include "ui/control_enabling.h"

#include <gtest/gtest.h>

#include <string>

#include "ui/main_window_ids.h"

namespace orvane {
namespace {

const std::set<int> kInputs{IDC_FOLDER, IDC_BROWSE,     IDC_DRIVES,      IDC_REFRESH_DRIVES,
                            IDC_DEPTH,  IDC_MODEL_SIZE, IDC_MODEL_SPIN,  IDC_START,
                            IDC_FORMAT, IDC_IMPORT,     IDC_OPEN_RESULTS};

std::set<int> withSave() {
    std::set<int> ids = kInputs;
    ids.insert({IDC_SAVE_JSON, IDC_SAVE_CSV});
    return ids;
}

struct EnablingCase {
    const char* name;
    WindowState state;
    std::set<int> enabled;
};

void PrintTo(const EnablingCase& row, std::ostream* out) {
    *out << row.name;
}

class ControlEnabling : public ::testing::TestWithParam<EnablingCase> {};

TEST_P(ControlEnabling, EnablesExactlyWhatTheStateAllows) {
    EXPECT_EQ(enabledControls(GetParam().state), GetParam().enabled);
}

using A = WindowActivity;
INSTANTIATE_TEST_SUITE_P(
    EveryState, ControlEnabling,
    ::testing::Values(EnablingCase{"Idle", {A::Idle, false, false}, kInputs},
                      EnablingCase{"IdleWithResult", {A::Idle, true, false}, withSave()},
                      EnablingCase{"Running", {A::Running, true, false}, {IDC_CANCEL}},
                      EnablingCase{"Cancelling", {A::Running, false, true}, {}},
                      EnablingCase{"Loading", {A::Loading, true, false}, {}},
                      EnablingCase{"Elevating", {A::Elevating, true, false}, {}},
                      EnablingCase{"Formatting", {A::Formatting, false, false}, {}}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace orvane
