#pragma once
// Serial port names as the console shows them ("COM1", "USB0", "ACM0") and the devices behind
// them. An entry comN in the serial device folder (a symbolic link to a terminal) wins;
// otherwise COMn is /dev/ttyS<n-1>, USBn is /dev/ttyUSBn and ACMn is /dev/ttyACMn. The device
// and kernel folders are /dev and /sys unless KV90T_DEV_ROOT and KV90T_SYS_ROOT name others.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The device folder: KV90T_SERIAL_DIR when set, else $XDG_CONFIG_HOME/kv90t/dosdevices
// (~/.config/kv90t/dosdevices).
std::string SerialDeviceFolder();

// The device path for a port name, or an empty text for a name no device can stand behind.
std::string SerialDevicePath(std::string_view portName);

// The ports that exist and are real serial ports, COM ports by number first, then ACM and USB
// ports by number. Every name has at most 6 characters.
std::vector<std::string> EnumerateSerialPorts();

// Makes `portName` (COMn) stand for `devicePath` by a link in the device folder, creating the
// folder if needed. Returns false with errno set on failure.
bool RegisterSerialPort(std::string_view portName, const std::string& devicePath);
bool UnregisterSerialPort(std::string_view portName);

// Why this user may not open the port at `devicePath`, in words an operator can act on: the
// group that owns it, whether the user is in that group, and the command that adds them to it.
// Empty when the port's owner cannot be told.
std::string PortPermissionAdvice(const std::string& devicePath);

}  // namespace platform
