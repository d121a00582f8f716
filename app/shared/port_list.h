#pragma once
// Every serial port present, by a name an owner recognises: the system's name, what the hardware
// says of itself and, where it has one, a stable identity. Each system has its side
// (port_list_platform.h): on Linux Qt's QSerialPortInfo (libudev), with the COMn links of the
// working folder, the /dev/serial/by-id names and which COM button opens which device; on Windows
// SetupAPI's Ports class and the registry's SERIALCOMM map.
//
// Hosts and tests hold a TPortList: TSystemPortList for the machine, TFixedPortList for a list
// given in advance.
#include <QString>
#include <filesystem>
#include <vector>

#include "foreign_entries.h"
#include "working_folder.h"

struct TPortEntry {
  QString name;          // the system's name: "COM12", "/dev/ttyUSB0", a link's "COM12"
  QString path;          // what the serial component opens (TSerial::setPortPath)
  QString description;   // "USB Serial Port", "FT232R USB UART"; empty when unknown
  QString manufacturer;  // "FTDI"
  QString usbId;         // USB vendor and product ID, "0403:6001"; empty for other hardware
  QString serialNumber;  // the USB serial number, "A50285BI"
  // What stays the same when the port's name changes (another USB socket, another adapter
  // plugged in first): the /dev/serial/by-id name on Linux, else the serial number; may be empty.
  QString identity;
  int button = 0;  // the COM button (1..9) that opens the same device; 0 for none
  // Where the adapter is plugged in, as the system names the socket ("1-1.2:1.0", a USB
  // interface's bus path on Linux); empty when unknown or no USB device.
  QString location;

  // "FT232R USB UART (FTDI, USB 0403:6001)": what an owner matches to the hardware; "" if unknown.
  QString hardware() const;
  // "COM12 — USB Serial Port (FTDI, USB 0403:6001, A50285BI)": the name with what the hardware
  // says of itself, as the window's menu and tool tips show a port.
  QString label() const;
  // "COM1 (/dev/ttyUSB0)" for a COM button's device, else the name: a port in one line of text.
  QString shown() const;
  bool operator==(const TPortEntry&) const = default;
};

class TPortList {
 public:
  virtual ~TPortList() = default;
  // The ports present now: the COM buttons' ports first, COM1 before COM2, then the others in
  // the system's order. Each call looks afresh.
  virtual std::vector<TPortEntry> ports() const = 0;
};

// A list given in advance, for tests and for hosts that already hold one.
class TFixedPortList final : public TPortList {
 public:
  explicit TFixedPortList(std::vector<TPortEntry> entries = {}) : entries_(std::move(entries)) {}
  std::vector<TPortEntry> ports() const override { return entries_; }
  // What later calls of ports() give: the ports as they stand after an adapter moved.
  void setPorts(std::vector<TPortEntry> entries) { entries_ = std::move(entries); }

 private:
  std::vector<TPortEntry> entries_;
};

// Which ports a system list holds: the machine's, or only the COMn links of the working folder
// (tests and the demo, so that the machine's own serial devices are never asked; Linux).
enum class TPortScope { Machine, FolderLinksOnly };

// What the system's side has said on standard error, so that a list says each thing once.
struct TPortListNotes {
  bool fallbackTold = false;  // the system listed no ports, and the list is made without it
  TForeignEntriesRecord foreignEntries;  // other users' COMn entries, shared with the working folder
};

// The machine's ports. `folder` is the working folder (absolute), where COMn entries stand for
// ports; `foreign` its record of other users' entries (TWorkingFolder::foreignEntries).
class TSystemPortList final : public TPortList {
 public:
  explicit TSystemPortList(std::filesystem::path folder, TPortScope scope = TPortScope::Machine,
                           TForeignEntriesRecord foreign = std::make_shared<TForeignEntries>())
      : folder_(std::move(folder)), scope_(scope), notes_{false, std::move(foreign)} {}
  // The ports of the working folder `folder`.
  TSystemPortList(const TWorkingFolder& folder, TPortScope scope)
      : TSystemPortList(folder.path(), scope, folder.foreignEntries()) {}
  std::vector<TPortEntry> ports() const override;

 private:
  std::filesystem::path folder_;
  TPortScope scope_;
  mutable TPortListNotes notes_;
};

// `entry` as it opens with `folder` (absolute) as the working folder: a path the system names in
// full stays, a COM button's port without one is looked up by its number in the folder (its COMn
// entry, else the numbered device; no path when another user's entry there may not be opened),
// any other path lies in the folder. What a port list gives is in full already.
TPortEntry placedIn(TPortEntry entry, const std::filesystem::path& folder);

// The number n of a name "COMn" (any case) with n from 1 to 256; 0 for any other name.
int comPortNumber(const QString& name);
// The USB vendor and product ID and the serial number in a Windows device instance ID,
// "USB\VID_0403&PID_6001\A50285BI" or FTDI's "FTDIBUS\VID_0403+PID_6001+A50285BIA\0000", into
// `entry` (usbId, serialNumber, identity). An ID that Windows made up (it holds "&") is no serial
// number; an ID without USB IDs changes nothing.
void readUsbInstanceId(const QString& id, TPortEntry& entry);
// Puts the COM buttons' ports first, by their number, keeping the order of the others.
void sortByButton(std::vector<TPortEntry>& entries);
