#pragma once

#include <juce_core/juce_core.h>

#include <csignal>
#include <sys/resource.h>

namespace ormalix::test
{
// Writes size bytes of a repeating, poorly compressible pattern.
inline void writeBytes (const juce::File& f, size_t size, uint32_t seed = 1)
{
    juce::MemoryBlock data (size);
    auto* p = static_cast<uint8_t*> (data.getData());
    uint32_t x = seed * 2654435761u + 1;

    for (size_t i = 0; i < size; ++i)
    {
        x = x * 1664525u + 1013904223u;
        p[i] = (uint8_t) (x >> 24);
    }

    f.replaceWithData (data.getData(), data.getSize());
}

// A file of size zero bytes that takes no disk space (a hole).
inline void writeSparse (const juce::File& f, juce::int64 size)
{
    juce::FileOutputStream out (f);
    out.setPosition (0);
    out.truncate();
    if (size > 0)
    {
        out.setPosition (size - 1);
        out.writeByte (0);
    }
}

// The largest file this process may write, lowered for as long as it lives: writes beyond it
// fail as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit (rlim_t bytes)
    {
        ::getrlimit (RLIMIT_FSIZE, &previous);
        previousHandler = std::signal (SIGXFSZ, SIG_IGN);
        rlimit lowered = previous;
        lowered.rlim_cur = bytes;
        ::setrlimit (RLIMIT_FSIZE, &lowered);
    }

    ~FileSizeLimit()
    {
        ::setrlimit (RLIMIT_FSIZE, &previous);
        std::signal (SIGXFSZ, previousHandler);
    }

private:
    rlimit previous {};
    void (*previousHandler) (int) = nullptr;
};

// Reads the archive with Python's zipfile and Info-ZIP's unzip; empty when it holds exactly
// the given files in that order, deflated, named without folders and byte for byte equal.
// entryTimes receives "name yyyy-mm-dd hh:mm:ss" per entry, as zipfile reads the dates.
inline juce::String checkArchiveWithPeers (const juce::File& archive, const juce::StringArray& sources,
                                           juce::StringArray* entryTimes = nullptr)
{
    static constexpr const char* script = R"PY(
import os, sys, zipfile
archive, sources = sys.argv[1], sys.argv[2:]
with zipfile.ZipFile(archive) as z:
    infos = z.infolist()
    names = [i.filename for i in infos]
    expected = [os.path.basename(s) for s in sources]
    if names != expected:
        sys.exit("names %r, expected %r" % (names, expected))
    for info, source in zip(infos, sources):
        if info.compress_type != zipfile.ZIP_DEFLATED:
            sys.exit("%s is not deflated" % info.filename)
        with z.open(info) as e, open(source, "rb") as f:
            while True:
                a, b = e.read(1 << 20), f.read(1 << 20)
                if a != b:
                    sys.exit("%s differs from %s" % (info.filename, source))
                if not a:
                    break
    for info in infos:
        print("%s %04d-%02d-%02d %02d:%02d:%02d" % ((info.filename,) + info.date_time))
print("ok")
)PY";

    auto scriptFile = archive.getSiblingFile ("check_archive.py");
    scriptFile.replaceWithText (script);

    juce::StringArray python { "python3", scriptFile.getFullPathName(), archive.getFullPathName() };
    python.addArray (sources);
    juce::ChildProcess p;
    if (! p.start (python))
        return "python3 did not start";
    const auto out = p.readAllProcessOutput();
    p.waitForProcessToFinish (60000);
    scriptFile.deleteFile();
    if (p.getExitCode() != 0 || ! out.contains ("ok"))
        return "zipfile: " + out;
    if (entryTimes != nullptr)
    {
        *entryTimes = juce::StringArray::fromLines (out.trim());
        entryTimes->removeString ("ok");
    }

    juce::ChildProcess unzip;
    if (! unzip.start (juce::StringArray { "unzip", "-tq", archive.getFullPathName() }))
        return "unzip did not start";
    const auto unzipOut = unzip.readAllProcessOutput();
    unzip.waitForProcessToFinish (60000);
    if (unzip.getExitCode() != 0)
        return "unzip -t: " + unzipOut;

    return {};
}
} // namespace ormalix::test
