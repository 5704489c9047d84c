#include "ui/control_enabling.h"

#include "ui/main_window_ids.h"

namespace orvane {

std::set<int> enabledControls(const WindowState& state) {
    switch (state.activity) {
        case WindowActivity::Idle: {
            std::set<int> ids{IDC_FOLDER, IDC_BROWSE,     IDC_DRIVES,      IDC_REFRESH_DRIVES,
                              IDC_DEPTH,  IDC_MODEL_SIZE, IDC_MODEL_SPIN,  IDC_START,
                              IDC_FORMAT, IDC_IMPORT,     IDC_OPEN_RESULTS};
            if (state.hasResult)
                ids.insert({IDC_SAVE_JSON, IDC_SAVE_CSV});
            return ids;
        }
        case WindowActivity::Running:
            // Only a running benchmark reads the cancel flag, and only once.
            if (state.cancelRequested)
                return {};
            return {IDC_CANCEL};
        case WindowActivity::Loading:
        case WindowActivity::Elevating:
        case WindowActivity::Formatting:
            return {};
    }
    return {};
}

}  // namespace orvane
