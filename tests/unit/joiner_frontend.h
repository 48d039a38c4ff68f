// A joiner front end that writes down every call, and helpers that lay out
// split sets by hand, so the joiner is tested without the splitter.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "common/SplitSet.h"
#include "joiner/ConcatFrontEnd.h"
#include "platform/Platform.h"

namespace portelan::test {

class CRecordingFrontEnd : public IConcatFrontEnd {
  public:
    struct Question {
        std::string dir;
        std::string fileName;
    };
    struct Message {
        std::string text;
        std::string title;
    };

    // Directories handed out by AskForDirectory, in order; an empty entry,
    // or running out of entries, means the user gives up.
    std::deque<std::optional<std::string>> answers;

    std::vector<Question> questions;
    std::vector<std::string> errors;
    std::vector<Message> messages;
    // The progress window's life, one entry per call.
    std::vector<std::string> progress;

    bool AskForDirectory(std::string& dir, const std::string& fileName) override
    {
        questions.push_back({dir, fileName});
        if (answers.empty())
            return false;
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
        if (!answer)
            return false;
        dir = *answer;
        return true;
    }
    void ReportError(const std::string& text) override { errors.push_back(text); }
    void ShowMessage(const std::string& text, const std::string& title) override
    {
        messages.push_back({text, title});
    }
    void CreateProgress(const std::string& tip) override { progress.push_back("create:" + tip); }
    void ShowProgress(bool visible) override { progress.push_back(visible ? "show" : "hide"); }
    void SetProgressTip(const std::string& tip) override { progress.push_back("tip:" + tip); }
    void DestroyProgress() override { progress.push_back("destroy"); }
};

inline std::uint32_t Crc32(const std::string& bytes)
{
    return static_cast<std::uint32_t>(
        crc32_z(crc32_z(0, nullptr, 0), reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

inline std::string Concat(const std::vector<std::string>& parts)
{
    std::string all;
    for (const std::string& part : parts)
        all += part;
    return all;
}

// Writes "<dir><base>.001" ... one file per part.
inline void WritePieces(const std::string& dir, const std::string& base,
                        const std::vector<std::string>& parts)
{
    for (std::size_t i = 0; i < parts.size(); ++i)
        WriteFile(PieceFileName(dir, base, static_cast<int>(i + 1)), parts[i]);
}

inline void WriteConfig(const std::string& path, const CSplitConfig& record)
{
    CSplitConfig::Image image = record.Serialize();
    WriteFile(path, std::string(image.begin(), image.end()));
}

// The record a splitter would write for these parts, optionally with the
// checksum marker and the CRC-32 of all part bytes.
inline CSplitConfig RecordFor(const std::string& base, const std::string& ext,
                              const std::vector<std::string>& parts, bool withChecksum)
{
    const std::string all = Concat(parts);
    CSplitConfig record(static_cast<std::int32_t>(parts.size()), base, ext,
                        static_cast<std::int64_t>(all.size()));
    if (withChecksum)
        record.SetChecksum(Crc32(all));
    return record;
}

// Pieces plus "<dir>_<base>.cfg"; returns the cfg path.
inline std::string WriteSet(const std::string& dir, const std::string& base, const std::string& ext,
                            const std::vector<std::string>& parts, bool withChecksum)
{
    WritePieces(dir, base, parts);
    const std::string cfg = ConfigFileName(dir, base);
    WriteConfig(cfg, RecordFor(base, ext, parts, withChecksum));
    return cfg;
}

// Every entry below root (relative paths) with its size, to see that nothing
// was created, removed or changed.
inline std::set<std::string> Snapshot(const std::string& root)
{
    namespace fs = std::filesystem;
    std::set<std::string> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        std::string name = fs::relative(entry.path(), root).string();
        if (entry.is_directory())
            entries.insert(name + "/");
        else
            entries.insert(name + " " + std::to_string(entry.file_size()) + " " +
                           std::to_string(Crc32(ReadFile(entry.path().string()))));
    }
    return entries;
}

// Parts of random bytes with these sizes, each from its own seed.
inline std::vector<std::string> RandomParts(const std::vector<std::size_t>& sizes, unsigned seed = 1)
{
    std::vector<std::string> parts;
    for (std::size_t size : sizes)
        parts.push_back(RandomBytes(size, seed++));
    return parts;
}

} // namespace portelan::test
