#include "settings/SettingsFile.h"

#include "settings/Cp932.h"
#include "settings/ProfileFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace rentabo {

using Kind = SettingKey::Kind;

const std::array<SettingKey, 25> kSettingKeys{{
    {"POSITION", "LEFT", Kind::Int, &KukuState::winLeft},
    {"POSITION", "TOP", Kind::Int, &KukuState::winTop},
    {"POSITION", "INFODSP", Kind::Int, &KukuState::infoDsp},
    {"SPEAK", "SIKISPRATE", Kind::Int, &KukuState::sikiSpRate},
    {"SPEAK", "SIKISPVOLUME", Kind::Int, &KukuState::sikiSpVolume},
    {"SPEAK", "EFFECTVOLUME", Kind::Int, &KukuState::effectVolume},
    {"SPEAK", "PINPONFLAG", Kind::Int, &KukuState::pinponFlag},
    {"SPEAK", "MSGSPEAKFLAG", Kind::Int, &KukuState::msgSpeakFlag},
    {"JOUKEN", "KYUU_SET", Kind::Int, &KukuState::kyuuSet},
    {"JOUKEN", "DAN_", Kind::Int, &KukuState::dan},
    {"JOUKEN", "KAIMAX", Kind::Int, &KukuState::kaisuuMax},
    {"JOUKEN", "MOKUJIN", Kind::Int, &KukuState::mokuji_n},
    {"JOUKEN", "MENUN", Kind::Int, &KukuState::menu_n},
    {"JOUKEN", "INTERVAL", Kind::Int, &KukuState::interval},
    {"JOUKEN", "PROCFLAG", Kind::Int, &KukuState::procFlag},
    {"JOUKEN", "ANSWAY", Kind::Int, &KukuState::ans_way},
    {"JOUKEN", "YOMIWAY", Kind::Int, &KukuState::yomiWay},
    {"JOUKEN", "ORGCOLOR", Kind::Int, &KukuState::orgColor},
    {"JOUKEN", "DICCOLOR", Kind::Int, &KukuState::dicColor},
    {"JOUKEN", "CCCOLOR", Kind::Int, &KukuState::ccColor},
    {"TESTDATA", "STUDENTNAME", Kind::Text, nullptr, &KukuState::studentName},
    {"TESTDATA", "INDIVNUM", Kind::Int, &KukuState::indivNum},
    {"TESTDATA", "RECCHECKARRAY", Kind::Record},
    {"TESTDATA", "ERRORS", Kind::Text, nullptr, &KukuState::errorsStr},
    {"SPEAK", "USERSYOBINA", Kind::Text, nullptr, &KukuState::userSyobina},
}};

const std::array<SettingKey, 1> kOwnSettingKeys{{
    {"RENTABO", "MICROPHONE", Kind::Text, nullptr, &KukuState::micDevice},
}};

namespace {

// Every key the program reads and writes, in file order.
std::vector<SettingKey> allSettingKeys() {
    std::vector<SettingKey> keys(kSettingKeys.begin(), kSettingKeys.end());
    keys.insert(keys.end(), kOwnSettingKeys.begin(), kOwnSettingKeys.end());
    return keys;
}

}  // namespace

bool isTemporaryNameOf(const QString& fileName, const QString& candidate) {
    const QString prefix = fileName + QString::fromLatin1(kTemporaryInfix);
    if (!candidate.startsWith(prefix) || candidate.size() != prefix.size() + 6) return false;
    // mkstemp fills in six letters and digits.
    for (qsizetype i = prefix.size(); i < candidate.size(); ++i) {
        const QChar c = candidate[i];
        if (!(c.isDigit() || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))) return false;
    }
    return true;
}

namespace {

constexpr int kRecRows = 7;
constexpr int kRecCols = 14;
constexpr qsizetype kRecLength = kRecRows * kRecCols;
const QByteArray kRecDefault = QByteArrayLiteral("00000000000000");

}  // namespace

int recCheckOffset(int indivNum, int r, int c) {
    // In 64 bits: a learner number near the 32-bit limit must not overflow. Every number the sum
    // of a name's bytes gives in practice is positive, and for those this is the stored files'
    // remainder. A negative one (a hand-edited file, a name of tens of thousands of characters)
    // would make offsets below 0, written as "-3" and read back shifted into passes never
    // earned; its offsets are brought into 0..6 instead, so every cell stays one digit.
    const int k = static_cast<int>((static_cast<std::int64_t>(indivNum) + c + r + 2) % 7);
    return k < 0 ? k + 7 : k;
}

QByteArray encodeRecCheck(const RecCheck& rec, int indivNum) {
    QByteArray out;
    out.reserve(kRecLength);
    for (int r = 0; r < kRecRows; ++r)
        for (int c = 0; c < kRecCols; ++c)
            out += QByteArray::number(static_cast<std::int64_t>(rec[r][c]) + recCheckOffset(indivNum, r, c));
    return out;
}

RecCheck decodeRecCheck(const QByteArray& text, int indivNum) {
    QByteArray digits = text.left(kRecLength);
    if (digits.size() < kRecLength) digits += QByteArray(kRecLength - digits.size(), '0');
    RecCheck rec{};
    for (int r = 0; r < kRecRows; ++r) {
        for (int c = 0; c < kRecCols; ++c) {
            const char ch = digits[r * kRecCols + c];
            const int digit = (ch >= '0' && ch <= '9') ? ch - '0' : 0;
            rec[r][c] = digit - recCheckOffset(indivNum, r, c);
        }
    }
    return rec;
}

int parseProfileInt(const QByteArray& text, int fallback) {
    const QByteArray t = text.trimmed();
    bool ok = false;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X') && t.size() <= 10) {
        const quint32 v = t.mid(2).toUInt(&ok, 16);
        if (ok && !t.mid(2).startsWith('-') && !t.mid(2).startsWith('+')) return static_cast<int>(v);
        return fallback;
    }
    if (t.size() > 1 && t[0] == '$' && t.size() <= 9) {
        const quint32 v = t.mid(1).toUInt(&ok, 16);
        if (ok && !t.mid(1).startsWith('-') && !t.mid(1).startsWith('+')) return static_cast<int>(v);
        return fallback;
    }
    const int v = t.toInt(&ok, 10);
    return ok ? v : fallback;
}

namespace {

// Keys whose value picks an item must pick one that exists: a hand-edited or damaged value would
// otherwise show one choice while another runs, or stick a toggle.
void bringIntoRange(KukuState& state) {
    state.mokuji_n = std::clamp(state.mokuji_n, 0, 12);
    state.menu_n = std::clamp(state.menu_n, 0, 9);
    state.infoDsp = state.infoDsp != 0 ? 1 : 0;
}

}  // namespace

void readSettings(KukuState& state, const QByteArray& content) {
    const ProfileFile file(content);
    const KukuState defaults;
    for (const SettingKey& k : allSettingKeys()) {
        bool found = false;
        const QByteArray value = file.value(k.section, k.key, &found);
        switch (k.kind) {
            case Kind::Int:
                state.*k.intField =
                    found ? parseProfileInt(value, defaults.*k.intField) : defaults.*k.intField;
                break;
            case Kind::Text:
                state.*k.textField = found ? fromCp932(value) : defaults.*k.textField;
                break;
            case Kind::Record:
                // Decoded from the file's bytes: positions count bytes, and INDIVNUM is read already.
                state.recCheck = decodeRecCheck(found ? value : kRecDefault, state.indivNum);
                break;
        }
    }
    bringIntoRange(state);
}

QByteArray writeSettings(const KukuState& state, const QByteArray& content) {
    ProfileFile file(content);
    for (const SettingKey& k : allSettingKeys()) {
        QByteArray value;
        switch (k.kind) {
            case Kind::Int:
                value = QByteArray::number(state.*k.intField);
                break;
            case Kind::Text:
                value = toCp932(state.*k.textField);
                break;
            case Kind::Record:
                value = encodeRecCheck(state.recCheck, state.indivNum);
                break;
        }
        file.setValue(k.section, k.key, value);
    }
    return file.content();
}

SettingsLocation settingsLocationFor(const QString& exeDir) {
    const QString name = QString::fromLatin1(kSettingsFileName);
    QString dir = exeDir;
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return {dir + name, config + QStringLiteral("/rentabo/") + name};
}

QString learnerVoiceFolderFor(const QString& exeDir) {
    const SettingsLocation where = settingsLocationFor(exeDir);
    const QString beside = QFileInfo(where.primary).absolutePath();
    const QString dir = QFileInfo(beside).isWritable() ? beside : QFileInfo(where.fallback).absolutePath();
    return dir + QStringLiteral("/RentaboVoice");
}

namespace {

QString errnoText(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

// What stands at a path where a file of the program's should be.
enum class FileKind { Missing, Regular, Huge, Other };

FileKind kindOf(const struct stat& st) {
    if (!S_ISREG(st.st_mode)) return FileKind::Other;
    return st.st_size > kMaxSettingsFileBytes ? FileKind::Huge : FileKind::Regular;
}

// Follows symbolic links, as opening the file would.
FileKind kindAt(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? FileKind::Missing : FileKind::Other;
    return kindOf(st);
}

// Whether a save to `path` can be expected to work: the file is writable, or it is missing and
// its folder is writable.
bool isWritableLocation(const QString& path) {
    const QFileInfo info(path);
    if (info.exists()) return kindAt(path) == FileKind::Regular && info.isWritable();
    const QFileInfo dir(info.absolutePath());
    return dir.isDir() && dir.isWritable();
}

// Reads a regular file of a sane size. The type is checked on the opened file itself, and the
// open does not wait: a FIFO or a device put where the file should be (a link to /dev/zero, say)
// would otherwise block the start for ever or fill the memory.
bool readFile(const QString& path, QByteArray* content, QString* error, FileKind* kind = nullptr) {
    auto failed = [&](FileKind k, const QString& why) {
        if (kind) *kind = k;
        if (error) *error = why;
        return false;
    };
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int err = errno;
        return failed(err == ENOENT ? FileKind::Missing : FileKind::Regular, errnoText(err));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || kindOf(st) != FileKind::Regular) {
        const FileKind k = kindOf(st);
        ::close(fd);
        return failed(k, k == FileKind::Huge ? QStringLiteral(u"大きすぎるファイルです。")
                                             : QStringLiteral(u"ふつうのファイルではありません。"));
    }
    QByteArray bytes;
    char buffer[65536];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return failed(FileKind::Regular, errnoText(err));
        }
        if (n == 0) break;
        bytes.append(buffer, n);
        // A file that grows while it is read is no settings file either.
        if (bytes.size() > kMaxSettingsFileBytes) {
            ::close(fd);
            return failed(FileKind::Huge, QStringLiteral(u"大きすぎるファイルです。"));
        }
    }
    ::close(fd);
    if (kind) *kind = FileKind::Regular;
    *content = std::move(bytes);
    return true;
}

}  // namespace

QString chooseSettingsPath(const SettingsLocation& where) {
    if (QFileInfo::exists(where.fallback) &&
        (!QFileInfo::exists(where.primary) || !isWritableLocation(where.primary)))
        return where.fallback;
    return where.primary;
}

QString chooseSettingsPath(const QString& exeDir) {
    return chooseSettingsPath(settingsLocationFor(exeDir));
}

namespace {

// An emptied or overwritten file holds no key at all; one cut short by a failing disk or an
// unfinished copy ends in the middle of a line, before the end of the records the program writes
// near the end.
// (Files written by hand may lack keys and are read as they are.) Either damage is said, and the
// damaged file is kept beside the settings, since the next save replaces it.
QString damageNotice(const QString& path, const QByteArray& content) {
    const ProfileFile file(content);
    bool anyKey = false;
    for (const SettingKey& k : kSettingKeys) {
        bool found = false;
        file.value(k.section, k.key, &found);
        anyKey = anyKey || found;
    }
    bool found = false;
    const bool records = file.value("TESTDATA", "RECCHECKARRAY", &found).size() >= kRecLength;
    const bool cutShort = !content.endsWith('\n') && !content.endsWith('\r');
    if (anyKey && (records || !cutShort)) return {};
    QString kept;
    // An earlier damaged copy is kept too: the new one takes the date in its name.
    QString copy = path + QStringLiteral(".damaged");
    const QString dated = copy + QDateTime::currentDateTime().toString(QStringLiteral("-yyyyMMdd-HHmmss"));
    for (int n = 1; QFileInfo::exists(copy) && n < 100; ++n)
        copy = n == 1 ? dated : dated + u'-' + QString::number(n);
    if (!content.trimmed().isEmpty() && !QFileInfo::exists(copy) && QFile::copy(path, copy))
        kept = QStringLiteral(u"\n元のファイルは %1 として残しました。").arg(QDir::toNativeSeparators(copy));
    return (anyKey ? QStringLiteral(u"設定ファイルの後ろが欠けていて、成績の記録がありませんでした。\n%1\n"
                                    u"読めた設定だけで始めます。%2")
                   : QStringLiteral(
                         u"設定ファイルが壊れていて読めませんでした。\n%1\nはじめの設定で始めます。%2"))
        .arg(QDir::toNativeSeparators(path), kept);
}

}  // namespace

LoadResult LoadSettings(KukuState& state, const QString& path) {
    LoadResult result;
    QByteArray content;
    if (QFileInfo::exists(path)) {
        QString why;
        FileKind kind = FileKind::Regular;
        if (readFile(path, &content, &why, &kind)) {
            result.found = true;
        } else if (kind == FileKind::Other) {
            result.error =
                QStringLiteral(
                    u"設定ファイルの場所に、ふつうのファイルではないもの（フォルダーや特別なファイル）が"
                    u"あったので、読みませんでした。\n%1\nはじめの設定で始めます。"
                    u"これには書きこまず、記録はほかの場所に保存します。")
                    .arg(QDir::toNativeSeparators(path));
        } else if (kind == FileKind::Huge) {
            result.error =
                QStringLiteral(
                    u"設定ファイルが大きすぎる（%2 MB をこえる）ので、読みませんでした。\n%1\n"
                    u"はじめの設定で始めます。このファイルは書きかえず、記録はほかの場所に保存します。")
                    .arg(QDir::toNativeSeparators(path))
                    .arg(kMaxSettingsFileBytes / (1024 * 1024));
        } else {
            result.error =
                QStringLiteral(u"設定ファイルを読み込めませんでした。\n%1\n(%2)\nはじめの設定で始めます。")
                    .arg(QDir::toNativeSeparators(path), why);
        }
    }
    readSettings(state, content);
    if (result.found) result.error = damageNotice(path, content);
    return result;
}

namespace {

// Why a file may not be replaced by a save, or empty when it may. What is not a plain file of the
// program's size is never written into or replaced: a FIFO would hold the save for ever, a device
// would swallow it, and a folder or a huge file is someone else's.
QString refusalToWrite(const QFileInfo& info) {
    switch (kindAt(info.absoluteFilePath())) {
        case FileKind::Other:
            return QStringLiteral(u"ふつうのファイルではないので、書きこみませんでした。");
        case FileKind::Huge:
            return QStringLiteral(u"大きすぎるファイルなので、書きかえませんでした。");
        case FileKind::Missing:
        case FileKind::Regular:
            break;
    }
    if (info.exists() && !info.isWritable())
        return QStringLiteral(u"ファイルへの書き込みが禁止されています。");
    return {};
}

// Writes all of `content` and syncs it: 0, or the errno of the failure.
int writeAndSync(int fd, const QByteArray& content) {
    const char* data = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += n;
        left -= n;
    }
    return ::fsync(fd) != 0 ? errno : 0;
}

// The rename itself reaches the disk only with its folder.
void syncFolder(const QString& folder) {
    const int dirFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

// A save cut short by a power cut or a kill leaves its temporary file behind; only one copy of the
// program runs on a file, so every other one is such a leftover, and the next save clears them.
// Only the program's own temporary names are touched: the family's copies beside the file
// (.backup, .201612, .memo_1) are theirs.
void removeLeftovers(const QFileInfo& info) {
    const QDir dir = info.absoluteDir();
    for (const QString& leftover :
         dir.entryList({info.fileName() + QString::fromLatin1(kTemporaryInfix) + QStringLiteral("*")},
                       QDir::Files | QDir::Hidden))
        if (isTemporaryNameOf(info.fileName(), leftover)) QFile::remove(dir.filePath(leftover));
}

}  // namespace

bool writeFileAtomically(const QString& path, const QByteArray& content, QString* error,
                         const BeforeRenameHook& beforeRename) {
    QFileInfo info(path);
    // A link to a file is followed: the file it leads to is replaced, and the link stays.
    if (info.isSymLink() && !info.canonicalFilePath().isEmpty()) info = QFileInfo(info.canonicalFilePath());
    if (const QString refusal = refusalToWrite(info); !refusal.isEmpty()) {
        if (error) *error = refusal;
        return false;
    }
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    QByteArray tempName = target + kTemporaryInfix + "XXXXXX";
    const int fd = ::mkstemp(tempName.data());
    if (fd < 0) {
        if (error) *error = errnoText(errno);
        return false;
    }
    auto fail = [&](int err, bool open) {
        if (error) *error = errnoText(err);
        if (open) ::close(fd);
        ::unlink(tempName.constData());
        return false;
    };
    // mkstemp makes the file private; the settings file keeps the permissions it had.
    struct stat old {};
    mode_t mode = 0644;
    if (::stat(target.constData(), &old) == 0) mode = old.st_mode & 07777;
    if (::fchmod(fd, mode) != 0) return fail(errno, true);
    if (const int err = writeAndSync(fd, content); err != 0) return fail(err, true);
    if (::close(fd) != 0) return fail(errno, false);
    if (beforeRename && !beforeRename(QFile::decodeName(tempName))) {
        ::unlink(tempName.constData());
        if (error) *error = QStringLiteral(u"保存が中断されました。");
        return false;
    }
    if (::rename(tempName.constData(), target.constData()) != 0) return fail(errno, false);
    syncFolder(info.absolutePath());
    removeLeftovers(info);
    return true;
}

SaveResult SaveSettings(const KukuState& state, const SettingsLocation& where,
                        const BeforeRenameHook& beforeRename) {
    SaveResult result;
    // The other contents of the file (other sections, comments) come from the file being
    // replaced, or from the other location when this one has no file yet.
    auto baseFor = [](const QString& path, const QString& other) {
        QByteArray content;
        if (!readFile(path, &content, nullptr)) readFile(other, &content, nullptr);
        return content;
    };

    QString primaryWhy;
    if (writeFileAtomically(where.primary, writeSettings(state, baseFor(where.primary, where.fallback)),
                            &primaryWhy, beforeRename)) {
        result.ok = true;
        result.path = where.primary;
        return result;
    }

    QString fallbackWhy;
    const bool existedBefore = QFileInfo::exists(where.fallback);
    if (!where.fallback.isEmpty() && QDir().mkpath(QFileInfo(where.fallback).absolutePath()) &&
        writeFileAtomically(where.fallback, writeSettings(state, baseFor(where.fallback, where.primary)),
                            &fallbackWhy, beforeRename)) {
        result.ok = true;
        result.path = where.fallback;
        if (!existedBefore)
            result.notice = QStringLiteral(
                                u"プログラムのフォルダーに設定ファイルを保存できなかったので、\n"
                                u"%1\nに保存しました。\n次からは、このファイルを使います。")
                                .arg(QDir::toNativeSeparators(where.fallback));
        return result;
    }
    if (fallbackWhy.isEmpty()) fallbackWhy = QStringLiteral(u"フォルダーを作れません。");
    result.error = QStringLiteral(
                       u"設定ファイルを保存できませんでした。\n%1\n(%2)\n%3\n(%4)\n"
                       u"成績などの記録は保存されていません。")
                       .arg(QDir::toNativeSeparators(where.primary), primaryWhy,
                            QDir::toNativeSeparators(where.fallback), fallbackWhy);
    return result;
}

SaveResult SaveSettings(const KukuState& state, const QString& exeDir) {
    return SaveSettings(state, settingsLocationFor(exeDir));
}

}  // namespace rentabo
