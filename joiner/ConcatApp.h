// The joiner's logic: find the configuration file from the program's own
// name (or take the one it was given), check it and the free space, and
// append the pieces into the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/SplitSet.h"
#include "joiner/ConcatFrontEnd.h"
#include "par2/RecoverySet.h"
#include "texts/JoinerTexts.h"

namespace portelan {

class CConcatApp {
  public:
    // What the anchor is: the configuration file is found from its name.
    enum class Anchor {
        LinuxJoiner,   // "/x/_film": "_film.cfg"; "/x/_film.exe": "_film.exe.cfg", then "_film.cfg"
        WindowsJoiner, // "/x/_film.exe": "_film.cfg", its own ".exe" cut
        ConfigFile     // "/x/_film.cfg" itself
    };
    // anchorPath supplies only a directory and a name: the configuration
    // file is found from that name (see Anchor) in that directory (any
    // spelling of the name), and the file is rebuilt there. A joiner passes
    // its own executable.
    CConcatApp(IConcatFrontEnd& ui, std::string anchorPath, Anchor anchor = Anchor::LinuxJoiner);

    // Joins the set of the configuration file at configPath (full path),
    // beside that file, as the set's own joiner would.
    static CConcatApp ForConfigFile(IConcatFrontEnd& ui, std::string configPath);

    // Runs the whole program once. True when the file was rebuilt; every
    // other outcome has been reported to the user (or was the user's choice).
    bool InitInstance();

    // Drive and directory of the anchor, ending in a separator.
    std::string GetModuleDir() const;
    // The configuration file's name without ".cfg" that is asked for when
    // none is found, lower case.
    std::string GetModuleBaseName() const;
    // Finds the configuration file (asking for its directory when needed)
    // and reads it into record. False when it was not found or not readable.
    bool LoadConfig(CSplitConfig& record);
    // Takes a record read by LoadConfig into the fields below when the
    // joiner accepts it; otherwise reports why and returns false.
    bool AcceptRecord(const CSplitConfig& record);
    // Appends pieces 1 ... m_nCount into the rebuilt file beside the anchor.
    bool JoinPieces();

    // What CheckPieces finds of a piece: listed and intact or damaged, not
    // in the checksum list, missing, unreadable, or empty (which the join
    // refuses whatever a sum says).
    enum class PieceState { Intact, Damaged, Unlisted, Missing, Unreadable, Empty };
    struct PieceCheck {
        std::string path; // the file read, or where it was expected
        PieceState state = PieceState::Missing;
        std::int64_t size = 0; // bytes read; 0 when missing
    };
    struct SetCheck {
        std::vector<PieceCheck> pieces;
        bool hasList = false;             // a checksum list lies beside the configuration file
        std::int64_t totalSize = 0;       // bytes of the pieces read; m_nTotalSize when complete
        std::optional<bool> wholeMatches; // the record's checksum, when it has one and all pieces were read
    };
    // Checks the set without joining: loads and accepts the record as
    // InitInstance does, then reads each piece once against the checksum
    // list. Nullopt when the record was not accepted (reported).
    std::optional<SetCheck> CheckPieces();

    // The PAR2 files beside the configuration file, read for the pieces of
    // an accepted record: the set, what loading it gave, and per piece the
    // file found for it (empty when missing).
    struct Recovery {
        par2::CRecoverySet set;
        par2::CRecoverySet::LoadStatus status = par2::CRecoverySet::LoadStatus::NoPackets;
        std::vector<std::string> paths;
        // Slices lost over the whole set, and recovery slices to stand in.
        std::uint32_t LostSlices() const;
    };
    Recovery LoadRecovery() const;
    // Loads and accepts the record as InitInstance does, then rebuilds every
    // missing or damaged piece beside the configuration file without joining.
    // Nullopt when the record was not accepted (reported).
    struct SetRepair {
        Recovery recovery;
        par2::CRecoverySet::RepairReport report;
    };
    std::optional<SetRepair> RepairSet();

    // The rebuilt file: "<own directory><name>.<extension>".
    std::string TargetPath() const;

    std::string m_strDir; // where the configuration file and the pieces are looked for
    // The names in UTF-8, decoded from the record; the rebuilt file and the
    // pieces are named with them.
    std::string m_strExt;
    std::string m_strName;
    // The base name's bytes as the record stores them: on Linux the pieces
    // may carry this spelling instead (empty: none but m_strName).
    std::string m_strStoredName;
    std::int64_t m_nTotalSize = 0;
    std::int32_t m_nCount = 0;

  private:
    enum class PieceLookup { Opened, Missing, Refused };
    enum class Appended { Ok, Damaged, Failed };
    struct Join;

    // The steps of JoinPieces; each false (or Failed) ends the join, reported.
    // Refuses a target that is one of the pieces or that may not be written.
    bool MayWriteTarget(const std::string& target);
    // Opens the temporary file the target grows in, and its readers.
    bool CreateGrowingFile(Join& join);
    // Appends piece `index`, asking for its directory while it is missing
    // or damaged; false also when the user gives up.
    bool AppendPiece(Join& join, int index);
    // Copies an opened piece onto the end and checks it where the checksum
    // list gives its sum: Damaged when it was taken back out (reported).
    Appended CopyPiece(Join& join, int index, platform::File& piece, const std::string& path);
    // Checks the whole against the record's sum and gives the file the
    // target's name; otherwise removes it.
    bool FinishJoin(Join& join, bool proceed);
    // True when piece `index`, just appended from `start`, cannot end where
    // the pieces' sizes and the record's size say it must.
    bool BreaksRecordedSize(const Join& join, int index, std::int64_t start) const;
    // Rebuilds the set's broken pieces from the PAR2 files beside the
    // configuration file and names each one rebuilt; false (reported where
    // there were recovery files) when nothing was rebuilt.
    bool RebuildFromRecovery();
    // Puts the rebuilt file on the medium and checks it as read back from there.
    bool FlushAndCheck(Join& join, std::optional<std::uint32_t> expected);

    // Finds, reads and accepts the record into the fields above; false
    // (reported, or the user's choice) otherwise.
    bool LoadAcceptedRecord();
    // The sums the checksum list beside the configuration file gives for
    // pieces 1 ... m_nCount (at most kMaxListedPieces of them, none without
    // a list; see ListedSum); found tells whether there is a list.
    std::vector<std::optional<std::uint32_t>> ListedChecksums(bool& found) const;

    bool OpenConfigIn(const std::string& dir, platform::File& file);
    // Opens piece `index` in m_strDir under m_strName, then, where file names
    // are bytes and the record's spelling differs, under m_strStoredName;
    // path names the file opened (or the first one tried). Refused (reported)
    // when a candidate is the target itself.
    PieceLookup OpenPiece(int index, const std::string& target, platform::File& piece, std::string& path);
    // Text of the refusal of an accepted-looking record, or empty when fine.
    std::string ValidateRecord() const;
    bool RefuseIfPiece(const std::string& piecePath, const std::string& target);
    // The configuration file's name without ".cfg" that is tried first, or
    // (older) the one tried next; empty when there is no other.
    std::string ConfigStem(bool older) const;
    // The directory of the configuration file read, ending in a separator.
    std::string SetDir() const;

    // Reports format, whose one %s is path, with the system's reason for
    // error below it; false, for the caller to return. One call for every
    // such message, so that the joiner carries its code once.
    [[gnu::noinline]] bool Report(JoinerText text, const std::string& path, platform::Error error = {});

    IConcatFrontEnd& m_ui;
    std::string m_strAnchorPath;
    Anchor m_anchor;
    std::string m_strConfigPath; // the configuration file that was read
    bool m_bNamesDecoded = true; // false when the record's names are not valid in their encoding
    bool m_bHasChecksum = false;
    std::uint32_t m_nChecksum = 0;
};

} // namespace portelan
