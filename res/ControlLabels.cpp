// Which control labels a control that has no caption of its own, for screen
// readers: the step's group box names the list and the package box, the
// backup check box the backup box, the download text the progress bar, and
// each line of the information labels the value beside it.
#include "res/Resources.h"

namespace tvx {
namespace {

constexpr int kWholeLabel = -1;

constexpr ControlLabel kWizardLabels[] = {
    {1003, 1002, kWholeLabel}, // device list: step group
    {1004, 1002, kWholeLabel}, // package combo: step group
    {1013, 1012, kWholeLabel}, // backup combo: backup check box
    {1005, 1000, kWholeLabel}, // progress bar: download text
    {1020, 1017, 0},           // product information
    {1021, 1017, 1},           // device id
    {1016, 1017, 2},           // version before
    {1024, 1017, 3},           // part counter, beside the download file name
    {1022, 1017, 3},           // download file name
    {1018, 1017, 4},           // version via file
    {1019, 1017, 5},           // version after
};

} // namespace

const ControlLabel *FindControlLabel(int templateId, int controlId)
{
    if (templateId != kWizardTemplateId)
        return nullptr;
    for (const ControlLabel &label : kWizardLabels)
        if (label.control == controlId)
            return &label;
    return nullptr;
}

} // namespace tvx
