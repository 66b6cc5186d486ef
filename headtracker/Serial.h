#pragma once

#include <juce_core/juce_core.h>

#include <memory>
#include <termios.h>

// The serial ports the tracker may be on, as plain functions over one process-wide table.
// Everything here runs on the message thread, so the table needs no lock.

struct ComDevice
{
    std::unique_ptr<char[]> name; // directory-entry name, or none
    int fd = -1;                  // open descriptor, -1 while closed
};

constexpr int maxComDevices = 64;
extern ComDevice comDevices[maxComDevices];
extern int noDevices;

// Folder of the last scan; device paths are built from it. "/dev" unless a test scans elsewhere.
extern juce::String comFolder;

// True for names that may be the tracker: the "tty." devices of macOS and the USB serial
// devices of Linux. The plain terminals (tty0.., ttyS*) are never probed: 2 s each would add up.
bool isSerialDeviceName (const char* name);

// The termios speed for a rate; a rate outside the table gives speed 0.
speed_t speedForBaudRate (int baudRate);

// Rebuilds the table from the entries of `folder`, in directory order, at most 64.
void scanSerialDevices (const juce::String& folder = "/dev");

// Opens and configures entry `index` (8N1, raw, no flow control). Prints "Open %s \n".
bool openSerialDevice (int index, int baudRate);

// Drains and closes entry `index` if it is open.
void closeSerialDevice (int index);

// One non-blocking read of at most `capacity` bytes; 0 when nothing was waiting or on error.
int readSerialDevice (int index, char* buffer, int capacity);

// "<folder>/<name>" of entry `index` in a static 128-byte buffer, or nullptr for a bad index.
// Each call overwrites the previous result.
const char* comGetInternalName (int index);
