// The wizard dialog: one object holds the whole run state, in groups by what
// they describe. Its operations are spread over wizard/ and device/ by
// concern, one source file each.
#pragma once

#include <cstdint>
#include <string>

#include "device/MonitorMemory.h"
#include "device/RunningPart.h"
#include "device/SelectedTerminal.h"
#include "device/TerminalAfterPart.h"
#include "package/PackageRecord.h"
#include "platform/DeviceNotifications.h"
#include "platform/DialogWindow.h"
#include "platform/SleepInhibitor.h"
#include "versions/UpgradeResult.h"
#include "wizard/BatchState.h"
#include "wizard/LoadedPackage.h"

enum WizardStep : int32_t {
    StepSelectDevice = 0,
    StepSelectPackage = 1,
    StepBackup = 2,
    StepUpgrade = 3,
    StepNextPart = 4,
    StepFinished = 5,
};

enum WizardTimer : unsigned {
    ProgressTimer = 1, // 10 ms, polls the library
    SpinnerTimer = 2,  // 250 ms, busy indicator and typed text
    ReturnTimer = 3,   // 30000 ms, re-reads a terminal that did not answer
};

inline constexpr unsigned kProgressPeriodMs = 10;
inline constexpr unsigned kSpinnerPeriodMs = 250;
inline constexpr unsigned kReturnPeriodMs = 30000;
inline constexpr unsigned kAboutCommandId = 16;
// Caption of the string-table message boxes: the executable's base name.
inline constexpr const char *kApplicationName = "TVXUpgrade";

class CTVXUpgradeDlg : public tvx::DialogHandler {
public:
    // Control ids of template 90, by member name.
    enum Control : int {
        finishButton = 1,
        cancelButton = 2,
        downloadText = 1000,
        uploadText = 1001,
        stepGroup = 1002,
        deviceList = 1003,
        packageCombo = 1004,
        progressBar = 1005,
        backButton = 1006,
        searchButton = 1007,
        nextButton = 1010,
        hintText = 1011,
        backupCheck = 1012,
        backupCombo = 1013,
        slashText = 1014,
        statusText = 1015,
        versionBeforeText = 1016,
        infoLabels = 1017,
        versionViaFileText = 1018,
        versionAfterText = 1019,
        productInfoText = 1020,
        deviceIdText = 1021,
        downloadFileText = 1022,
        infoGroup = 1023,
        partCounterText = 1024,
        bannerPicture = 1036,
    };

    // sleepLock keeps the computer awake while a terminal is written.
    CTVXUpgradeDlg(tvx::DialogWindow &window, MonitorMemory &monitor,
                   tvx::SleepInhibitor &sleepLock = tvx::NoSleepInhibitor());
    ~CTVXUpgradeDlg() override; // releases loadedPackage
    CTVXUpgradeDlg(const CTVXUpgradeDlg &) = delete;
    CTVXUpgradeDlg &operator=(const CTVXUpgradeDlg &) = delete;

    // Runs the dialog modally; returns its end code.
    int DoModal();

    // ---- Window handlers (DialogHandler) ----
    bool OnInitDialog() override;
    void OnButtonClicked(int id) override;
    void OnComboSelChange(int id) override;
    void OnListItemChanged(int id, int row, unsigned oldState, unsigned newState) override;
    void OnTimer(unsigned id) override;
    void OnDeviceChange(unsigned eventCode, const void *record) override;
    void OnSysCommand(unsigned id) override;

    // ---- Window and closing (wizard/) ----
    void OnOK();
    void OnCancel();
    void CancelWithMessage(int kind);
    bool OnSetCursor(); // true while busy keeps the wait cursor
    void UnregisterNotifications();
    void StopTimers();     // kills the run's timers on every way out
    void SetBusy(bool on); // busy flag and wait cursor together

    // ---- Texts (wizard/) ----
    std::string localText(unsigned englishId) const;
    void localMessageBox(unsigned englishId, unsigned type);
    // Picks a literal by the language rule at the moment of display.
    static const char *ByLanguage(const char *english, const char *german, const char *french);
    static int ComputeLanguageOffset();

    // ---- Message boxes (wizard/) ----
    int ShowWelcomeBox();     // 1 when OK
    int ShowPreparationBox(); // 1 when OK
    void ShowAbortBox(int kind);
    int ShowReadyBox(); // 1 when OK
    int ShowStartBox(); // 1 when OK
    void ShowSuccessBox();
    void ShowDeviceAbortBox();
    void ShowProductMismatchBox();
    void ShowVersionRefusedBox();

    // ---- Configuration file (app/) ----
    void ApplyConfiguration();

    // ---- Batch run (wizard/) ----
    // Loads the batch file at packagePath as the package of its turn, checked
    // as at the package step; false when it cannot be used (the batch has
    // then stopped).
    bool BeginBatchFile();
    // At the end of a file: the next named file becomes packagePath.
    void AdvanceBatch();
    // Ends a batch after a failure: Cancel only, the failed file named.
    void StopBatch();
    // Part counter across the run; in a batch every file's parts count.
    int NextPartNumber() const; // the part about to be written, from 1
    int PartsDoneInRun() const; // after the end of a part
    int PartsInRun() const;

    // ---- Steps and navigation (wizard/) ----
    void ShowStep(WizardStep step);
    void OnNextClicked();
    void OnBackClicked();
    void OnSearchClicked();
    void OnBackupCheckClicked();
    void OnPackageSelChange();
    void OnBackupSelChange();
    void ShowClosingButtons(int failed);
    // A terminal back after the wizard gave up on it, with parts left: Next
    // (confirmed again) goes on with them, Cancel ends.
    void OfferRemainingParts();
    void ShowPartLabels(int firstNumber);
    // Firmware version, loader version and product id of a part image from
    // its DFU suffix and header; 0, 1006 or 13.
    uint32_t IdentifyImage(const PackageEntry *part, uint16_t *firmware, uint16_t *loader,
                           uint16_t *productId);

    // ---- Device list and selection (device/) ----
    // Asks the selected terminal for its versions, as GetwBCDDeviceFWVersion
    // with the terminal's ID and identification fields; returns its result.
    uint32_t AskSelectedTerminal(uint32_t *firmware, uint32_t *loader, uint32_t *type);
    // The terminal's row in the device list, found by its ID in any letter
    // case; -1 when it is not listed.
    int SelectedTerminalRow();
    void RefreshDeviceList();
    void OnDeviceSelectionChanged(int row, unsigned oldState, unsigned newState);
    void ApplyIdentTextModelRule();

    // ---- Version model and checks (device/) ----
    void RefreshFirmwareVersionText();
    void ShowDeviceVersion(int row);
    void ReadPackageFirmwareText();
    void ReadPackageLoaderText();
    void ShowPartVersions(const PackageEntry *part);
    UpgradeResult CheckPackageFitsDevice();
    UpgradeResult CheckCatalogAndHeader();
    UpgradeResult CheckSupportedVersions();
    UpgradeResult CheckLoaderMode();
    UpgradeResult SelectStartPart(const PackageEntry *part, PartNode **startNode);
    bool VersionsMatchAfterUpgrade(bool afterReturnTimer);

    // ---- Upgrade sequence and results (device/) ----
    void StartUpgrade(PackageEntry *part);
    // The one reset at a part's start: run and afterPart afresh, with what
    // carries over from the part before.
    void BeginPart();
    UpgradeResult ReReadDeviceVersion();
    UpgradeResult ConfirmUpgradeStart();
    void ReportUpgradeResult(UpgradeResult code, PartNode *node);
    void ResetAfterError();

    // ---- Progress monitor (device/) ----
    void OnProgressTimer();
    void OnSpinnerTimer(bool restart);
    void OnReturnTimer();
    void ManifestEstimateStep();
    void EndOfPart(int32_t status);
    void StopSpinner();

    // ---- The terminal after a part (device/) ----
    // Reads the terminal; false when it does not answer.
    bool ReadTerminalAfterPart(uint32_t *firmware, uint32_t *loader, uint32_t *type);
    void StoreVersionsAfterPart(uint32_t firmware, uint32_t loader, uint32_t type);
    std::string VersionLineAfterPart() const;
    void ShowVersionAfterPart();
    void ReadVersionsAfterPart(const std::string &result, int32_t status);
    void CloseReadBack(std::string result, bool afterReturnTimer, bool partFailed);

    // ---- Device arrival and removal (device/) ----
    void ForwardDeviceChange(unsigned eventCode, const tvx::DeviceInterfaceRecord *record);
    void ReadReturnedTerminal(bool returnCheck);
    std::string BcdVersionAfterRefresh() const;

    // ================= State =================
    tvx::DialogWindow &window;
    MonitorMemory &monitor;
    tvx::SleepInhibitor &sleepLock;

    // The window, step and language.
    WizardStep currentStep = StepSelectDevice;
    int32_t languageOffset = 0;
    uint32_t busy = 0;
    tvx::NotificationHandle readerNotification = nullptr;
    tvx::NotificationHandle usbNotification = nullptr;
    int bannerBitmap; // resource ids; the window layer holds the images
    int appIcon;
    tvx::FontSpec statusFont;

    // The state by what it describes; each group resets with `group = {}`.
    // An operation that changes state says so in its first line
    // ("Changes: run, afterPart."), naming what it changes itself; the
    // operations it calls say theirs.
    SelectedTerminal terminal;
    LoadedPackage package;
    BatchState batch;
    RunningPart run;
    TerminalAfterPart afterPart;
};
