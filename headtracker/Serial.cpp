#include "Serial.h"

#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

ComDevice comDevices[maxComDevices];
int noDevices = 0;
juce::String comFolder { "/dev" };

bool isSerialDeviceName (const char* name)
{
    if (name == nullptr)
        return false;

    return std::strncmp (name, "tty.", 4) == 0
        || std::strncmp (name, "ttyUSB", 6) == 0
        || std::strncmp (name, "ttyACM", 6) == 0;
}

speed_t speedForBaudRate (int baudRate)
{
    switch (baudRate)
    {
        case 50:     return B50;
        case 110:    return B110;
        case 134:    return B134;
        case 150:    return B150;
        case 200:    return B200;
        case 300:    return B300;
        case 600:    return B600;
        case 1200:   return B1200;
        case 1800:   return B1800;
        case 2400:   return B2400;
        case 4800:   return B4800;
        case 9600:   return B9600;
        case 19200:  return B19200;
        case 38400:  return B38400;
        case 57600:  return B57600;
        case 115200: return B115200;
        case 230400: return B230400;
        default:     return B0;
    }
}

void scanSerialDevices (const juce::String& folder)
{
    for (auto& d : comDevices)
        d.name.reset();

    noDevices = 0;
    comFolder = folder;

    DIR* dir = opendir (folder.toRawUTF8());
    if (dir == nullptr)
        return;

    while (noDevices < maxComDevices)
    {
        const dirent* entry = readdir (dir);
        if (entry == nullptr)
            break;

        if (! isSerialDeviceName (entry->d_name))
            continue;

        const auto length = std::strlen (entry->d_name);
        auto copy = std::make_unique<char[]> (length + 1);
        std::memcpy (copy.get(), entry->d_name, length + 1);
        comDevices[noDevices].name = std::move (copy);
        comDevices[noDevices].fd = -1;
        ++noDevices;
    }

    closedir (dir);
}

const char* comGetInternalName (int index)
{
    static char path[128];

    if (index < 0 || index >= noDevices || comDevices[index].name == nullptr)
        return nullptr;

    std::snprintf (path, sizeof (path), "%s/%s", comFolder.toRawUTF8(), comDevices[index].name.get());
    return path;
}

bool openSerialDevice (int index, int baudRate)
{
    const char* path = comGetInternalName (index);
    if (path == nullptr)
        return false;

    const int fd = open (path, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;

    std::printf ("Open %s \n", path);
    std::fflush (stdout);

    termios options {};
    tcgetattr (fd, &options);

    options.c_iflag &= ~(tcflag_t) (INLCR | ICRNL);
    options.c_iflag |= IGNBRK | IGNPAR;
    options.c_oflag &= ~(tcflag_t) (OPOST | ONLCR | OCRNL);
    options.c_cflag &= ~(tcflag_t) (CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
    options.c_cflag |= CS8 | CREAD | CLOCAL;
    options.c_lflag &= ~(tcflag_t) (ICANON | ISIG | ECHO);

    const speed_t speed = speedForBaudRate (baudRate);
    cfsetospeed (&options, speed);
    cfsetispeed (&options, speed);

    options.c_cc[VMIN] = 0;
    options.c_cc[VTIME] = 1;

    if (tcsetattr (fd, TCSANOW, &options) != 0)
    {
        close (fd);
        return false;
    }

    comDevices[index].fd = fd;
    return true;
}

void closeSerialDevice (int index)
{
    if (index < 0 || index >= noDevices || comDevices[index].fd < 0)
        return;

    tcdrain (comDevices[index].fd);
    close (comDevices[index].fd);
    comDevices[index].fd = -1;
}

int readSerialDevice (int index, char* buffer, int capacity)
{
    if (index < 0 || index >= noDevices || comDevices[index].fd <= 0 || buffer == nullptr || capacity <= 0)
        return 0;

    const auto n = read (comDevices[index].fd, buffer, (size_t) capacity);
    return n > 0 ? (int) n : 0;
}
