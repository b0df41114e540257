#pragma once

#include "core/KukuState.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>

namespace rentabo {

inline constexpr char kSettingsFileName[] = "RentaboV24.ini";

// One key of the settings file. The table below is the file's only definition: keys are read and
// written in its order, and a default-constructed KukuState holds every default.
struct SettingKey {
    enum class Kind { Int, Text, Record };
    const char* section;
    const char* key;
    Kind kind;
    int KukuState::*intField = nullptr;
    QString KukuState::*textField = nullptr;
};
extern const std::array<SettingKey, 25> kSettingKeys;
// The program's own keys, in a section of their own after those above, so that the keys above
// keep their sections and meaning; read and written the same way.
extern const std::array<SettingKey, 1> kOwnSettingKeys;

// The qualification record as the file holds it: 98 digits, each cell plus an offset that depends
// on the learner number, so a record copied to another learner does not read as passed.
int recCheckOffset(int indivNum, int r, int c);
QByteArray encodeRecCheck(const RecCheck& rec, int indivNum);
RecCheck decodeRecCheck(const QByteArray& text, int indivNum);

// Integers as the profile functions read them: decimal with an optional sign (or 0x / $ hex),
// blanks around allowed; anything else, or a number beyond 32 bits, gives the default.
int parseProfileInt(const QByteArray& text, int fallback);

// Reads every key from a file's bytes into `state`; missing keys keep their defaults.
void readSettings(KukuState& state, const QByteArray& content);
// Writes every key into a file's bytes, keeping everything else in them.
QByteArray writeSettings(const KukuState& state, const QByteArray& content);

// Where the file lives: beside the program, or, when the program's folder cannot be written, in
// the user's configuration folder ($XDG_CONFIG_HOME/rentabo).
struct SettingsLocation {
    QString primary;
    QString fallback;
};
SettingsLocation settingsLocationFor(const QString& exeDir);
// The learner's voice is kept beside the settings file, or in the fallback folder when the
// program's folder cannot be written.
QString learnerVoiceFolderFor(const QString& exeDir);
// The file LoadSettings should read: the one beside the program, unless that one cannot be
// written and an earlier run has saved to the fallback.
QString chooseSettingsPath(const SettingsLocation& where);
QString chooseSettingsPath(const QString& exeDir);

struct LoadResult {
    bool found = false;  // false: no file, every setting has its default
    QString error;       // a Japanese message when the file exists but could not be read
};
LoadResult LoadSettings(KukuState& state, const QString& path);

struct SaveResult {
    bool ok = false;
    QString path;    // the file written
    QString notice;  // non-empty once, when the records first go to the fallback folder
    QString error;   // a Japanese message when nothing could be saved
};
// The seam where tests break a save half-way: called with the temporary file's path after it has
// been written and before it replaces the real file; returning false abandons the save there.
using BeforeRenameHook = std::function<bool(const QString& tempPath)>;
SaveResult SaveSettings(const KukuState& state, const SettingsLocation& where,
                        const BeforeRenameHook& beforeRename = {});
SaveResult SaveSettings(const KukuState& state, const QString& exeDir);

// A settings file larger than this is not one the program wrote: it is neither read nor replaced.
inline constexpr qint64 kMaxSettingsFileBytes = 4 * 1024 * 1024;

// A save first writes "RentaboV24.ini.rentabo-saving-" and six letters or digits beside the
// file: a name no one else gives a file, so a leftover of a save cut short can be removed
// without doubt.
inline constexpr char kTemporaryInfix[] = ".rentabo-saving-";
// Whether `candidate` is a temporary name a save of `fileName` makes.
bool isTemporaryNameOf(const QString& fileName, const QString& candidate);

// Writes `content` to `path` so that the file is always either the old one or the new one: a
// temporary file beside it, flushed to disk, then renamed over it. On failure `error` says why.
// A path that holds something other than a plain file of a sane size (a folder, a FIFO, a
// device, a huge file) is neither written into nor replaced; a link is followed.
bool writeFileAtomically(const QString& path, const QByteArray& content, QString* error,
                         const BeforeRenameHook& beforeRename = {});

}  // namespace rentabo
