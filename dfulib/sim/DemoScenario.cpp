// The built-in scenario: one terminal of each kind the wizard tells apart,
// slow enough that a person can follow a part (about 20 seconds each).
#include "dfulib/sim/Scenario.h"

namespace tvxdfu::sim {

const char *DemoScenarioJson()
{
    return R"json({
  "comment": "built-in demo scenario",
  "terminals": [
    {"id": "K470A0001234", "model": "VORN 470 M online", "vendorCode": "KOTRX",
     "versionFormat": "three-part", "firmware": "4.6.0", "loader": "1.4.2",
     "deviceType": 470, "identNumber": 12345, "canUpload": true,
     "pin": ["adjust-display"], "imageSize": 131072,
     "timing": {"initMs": 2500, "pinMs": 4000, "restartMs": 3000, "manifestMs": 4000,
                "downloadBytesPerSecond": 32768, "uploadBytesPerSecond": 65536}},
    {"id": "K460B0004711", "model": "VORN 460 M", "vendorCode": "KOTRX",
     "versionFormat": "bcd", "firmware": "0x0302", "loader": "0x0110",
     "deviceType": 460, "identNumber": 46001, "canUpload": true, "imageSize": 131072,
     "timing": {"initMs": 2500, "pinMs": 4000, "restartMs": 3000, "manifestMs": 4000,
                "downloadBytesPerSecond": 32768, "uploadBytesPerSecond": 65536}},
    {"id": "D470C0000815", "model": "VORN 470 M online", "vendorCode": "DEBRV",
     "versionFormat": "three-part", "firmware": "4.5.1", "loader": "1.4.0",
     "deviceType": 470, "identNumber": 22222, "secondVendor": true, "imageSize": 131072,
     "product": "VORN 470 M online V 4.5.1 V.1.4.0 RTM DEBRV",
     "timing": {"initMs": 2500, "pinMs": 4000, "restartMs": 3000, "manifestMs": 4000,
                "downloadBytesPerSecond": 32768, "uploadBytesPerSecond": 65536}},
    {"id": "K470D0000042", "model": "VORN 470 M online", "vendorCode": "KOTRX",
     "versionFormat": "three-part", "firmware": "4.6.0", "loader": "1.4.2",
     "deviceType": 470, "identNumber": 12345, "mode": "DFU", "imageSize": 131072,
     "timing": {"initMs": 2500, "pinMs": 4000, "restartMs": 3000, "manifestMs": 4000,
                "downloadBytesPerSecond": 32768, "uploadBytesPerSecond": 65536}},
    {"id": "K470E0000007", "model": "VORN 470 M online", "vendorCode": "KOTRX",
     "versionFormat": "three-part", "firmware": "4.4.2", "loader": "1.3.0",
     "deviceType": 470, "identNumber": 11111, "canUpload": false, "imageSize": 131072,
     "timing": {"initMs": 2500, "pinMs": 4000, "restartMs": 3000, "manifestMs": 4000,
                "downloadBytesPerSecond": 32768, "uploadBytesPerSecond": 65536}}
  ]
})json";
}

} // namespace tvxdfu::sim
