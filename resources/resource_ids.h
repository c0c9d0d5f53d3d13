#pragma once
// Numeric ids of the dialog templates, controls, icons and accelerator commands.

namespace res {

// Icons.
constexpr int IDI_GREEN = 131;
constexpr int IDI_GREY = 132;
constexpr int IDI_RED = 133;
constexpr int IDI_YELLOW = 144;

// Accelerator table 134: Return and Space.
constexpr int IDR_ACCELERATOR = 134;
constexpr int ID_ACCEL_RETURN = 32771;
constexpr int ID_ACCEL_SPACE = 32772;

// Main window.
constexpr int IDD_KV90T_DIALOG = 102;
constexpr int IDC_IDENTITY_GROUP = 1500;
constexpr int IDC_SERIAL_NUMBER = 1501;
constexpr int IDC_DEVICE_ID = 1502;
constexpr int IDC_DSP1_VERSION = 1503;
constexpr int IDC_DSP2_VERSION = 1504;
constexpr int IDC_OPERATIONAL_MODE = 1505;
constexpr int IDC_DEVICE_STATE = 1506;

}  // namespace res
