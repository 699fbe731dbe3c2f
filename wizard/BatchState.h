// The batch of package files the configuration file names, applied one
// after the other to the selected terminal.
#pragma once

#include <cstdint>

inline constexpr int kMaxBatchFiles = 6;

struct BatchState {
    uint32_t batchCount = 0; // 0: no batch
    uint32_t batchRemaining = 0;
    uint32_t batchListIndex[kMaxBatchFiles] = {}; // entry in the package list
    uint16_t batchFirmwareVersion[kMaxBatchFiles] = {};
    uint16_t batchLoaderVersion[kMaxBatchFiles] = {};
    uint16_t batchProductId[kMaxBatchFiles] = {};
    uint16_t batchHardwareList[kMaxBatchFiles][16] = {};
    uint32_t batchPartCount[kMaxBatchFiles] = {};    // parts of each named file
    uint32_t batchTerminalType[kMaxBatchFiles] = {}; // the catalog's terminal type of each file
    uint32_t batchFileIndex = 0;                     // the file being applied, from 0
};
