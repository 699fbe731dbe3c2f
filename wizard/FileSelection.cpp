// Choosing the package and the backup file: the Search button, the backup
// check box and the two file lists.
#include <filesystem>
#include <system_error>

#include "platform/PathName.h"
#include "wizard/CTVXUpgradeDlg.h"

namespace {

tvx::FileDialogSpec PackageOpenDialog()
{
    tvx::FileDialogSpec spec;
    spec.save = false;
    spec.defaultExtension = "ppu";
    spec.fileName = "*.ppu";
    spec.filter = "PPU Files (*.ppu) |*.ppu|All Files (*.*) |*.*||";
    spec.options = tvx::OFN_FILEMUSTEXIST | tvx::OFN_HIDEREADONLY;
    return spec;
}

// Asks before replacing a file: an earlier backup would otherwise be lost.
tvx::FileDialogSpec BackupSaveDialog()
{
    tvx::FileDialogSpec spec;
    spec.save = true;
    spec.defaultExtension = "bak";
    spec.fileName = "*.bak";
    spec.filter = "PPU Backup Files (*.bak) |*.bak|All Files (*.*) |*.*||";
    spec.options = tvx::OFN_HIDEREADONLY | tvx::OFN_OVERWRITEPROMPT;
    return spec;
}

// The save dialog may move the current directory; the package list is read
// from it, so it is put back afterwards.
class CurrentDirectoryKeeper {
public:
    CurrentDirectoryKeeper() : saved_(std::filesystem::current_path(error_)) {}
    ~CurrentDirectoryKeeper()
    {
        if (!error_)
            std::filesystem::current_path(saved_, error_);
    }
    CurrentDirectoryKeeper(const CurrentDirectoryKeeper &) = delete;
    CurrentDirectoryKeeper &operator=(const CurrentDirectoryKeeper &) = delete;

private:
    std::error_code error_;
    std::filesystem::path saved_;
};

} // namespace

void CTVXUpgradeDlg::OnSearchClicked()
{
    // Changes: package.
    if (currentStep == StepSelectPackage) {
        const std::string path = window.FileDialog(PackageOpenDialog());
        if (path.empty())
            return;
        package.packageFirmwareVersion = 0;
        window.ComboAddString(packageCombo, path);
        window.ComboSetSelection(packageCombo, window.ComboCount(packageCombo) - 1);
        package.packagePath = path;
        window.SetControlText(downloadFileText, std::string(tvx::FileNameOfPath(path)));
    } else if (currentStep == StepBackup) {
        const CurrentDirectoryKeeper keeper;
        const std::string path = window.FileDialog(BackupSaveDialog());
        if (path.empty())
            return;
        window.ComboAddString(backupCombo, path);
        const int count = window.ComboCount(backupCombo);
        if (count > 0) {
            window.ComboSetSelection(backupCombo, count - 1);
            package.backupPath = path;
        }
    }
}

void CTVXUpgradeDlg::OnBackupCheckClicked()
{
    // Changes: package.
    const bool wanted = window.CheckState(backupCheck) != tvx::BST_UNCHECKED;
    window.ShowControl(backupCombo, wanted);
    window.ShowControl(searchButton, wanted);
    if (!wanted) {
        package.backupPath.clear();
        return;
    }
    const int selection = window.ComboSelection(backupCombo);
    if (selection >= 0) {
        window.ComboSetSelection(backupCombo, selection);
        package.backupPath = window.ComboItemText(backupCombo, selection);
    }
}

void CTVXUpgradeDlg::OnPackageSelChange()
{
    // Changes: package.
    const int selection = window.ComboSelection(packageCombo);
    if (selection < 0)
        return;
    window.ComboSetSelection(packageCombo, selection);
    package.packagePath = window.ComboItemText(packageCombo, selection);
    window.SetControlText(downloadFileText, std::string(tvx::FileNameOfPath(package.packagePath)));
}

void CTVXUpgradeDlg::OnBackupSelChange()
{
    // Changes: package.
    const int selection = window.ComboSelection(backupCombo);
    if (selection < 0)
        return;
    window.ComboSetSelection(backupCombo, selection);
    package.backupPath = window.ComboItemText(backupCombo, selection);
}
