#include "records/HistoryStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <map>
#include <tuple>
#include <utility>
#include <variant>

namespace rentabo {

namespace {

constexpr char kDriver[] = "QSQLITE";
constexpr char kTimeFormat[] = "yyyy-MM-dd HH:mm:ss.zzz";
constexpr char kDayFormat[] = "yyyy-MM-dd";

QString outcomeTag(AnswerOutcome o) {
    switch (o) {
        case AnswerOutcome::Right:
            return QStringLiteral("right");
        case AnswerOutcome::Wrong:
            return QStringLiteral("wrong");
        case AnswerOutcome::TimedOut:
            return QStringLiteral("timeout");
    }
    return {};
}

AnswerOutcome outcomeOfTag(const QString& tag) {
    if (tag == QLatin1String("right")) return AnswerOutcome::Right;
    if (tag == QLatin1String("timeout")) return AnswerOutcome::TimedOut;
    return AnswerOutcome::Wrong;
}

QString dayText(const QDate& d) {
    return d.isValid() ? d.toString(QLatin1String(kDayFormat)) : QString();
}

QDate dayOf(const QVariant& v) {
    return v.isNull() ? QDate() : QDate::fromString(v.toString(), QLatin1String(kDayFormat));
}

QVariant nullableDay(const QDate& d) {
    return d.isValid() ? QVariant(dayText(d)) : QVariant(QMetaType(QMetaType::QString));
}

// Version 1: one row per judged answer, and the view a parent reads.
const char* const kSchema1[] = {
    "CREATE TABLE answers ("
    " id INTEGER PRIMARY KEY,"
    " answered_at TEXT NOT NULL,"  // local time, yyyy-MM-dd HH:mm:ss.zzz
    " learner_name TEXT NOT NULL,"
    " learner_number INTEGER NOT NULL,"
    " mode TEXT NOT NULL,"
    " fact INTEGER NOT NULL CHECK (fact BETWEEN 0 AND 80),"
    " multiplicand INTEGER NOT NULL,"
    " multiplier INTEGER NOT NULL,"
    " answer INTEGER,"
    " outcome TEXT NOT NULL CHECK (outcome IN ('right', 'wrong', 'timeout')),"
    " answer_ms INTEGER NOT NULL,"
    " channel TEXT NOT NULL CHECK (channel IN ('keyboard', 'voice')),"
    " confidence REAL)",
    "CREATE INDEX answers_by_day ON answers (learner_name, learner_number, answered_at, outcome)",
    "CREATE INDEX answers_by_fact ON answers (learner_name, learner_number, fact, id)",
};

// The Japanese view over the answers, also the columns of the CSV export.
constexpr char kListColumns[] =
    "answered_at AS 日時, learner_name AS 名前, learner_number AS 番号,"
    " CASE mode WHEN 'key-ordered' THEN 'キー答・順' WHEN 'key-shuffled' THEN 'キー答・乱'"
    " WHEN 'oral-ordered' THEN '口答・順' WHEN 'oral-shuffled' THEN '口答・乱'"
    " WHEN 'recite-ordered' THEN '暗唱・順' WHEN 'recite-shuffled' THEN '暗唱・乱'"
    " WHEN 'full-recitation' THEN '完全暗唱' WHEN 'review-key' THEN '今日の復習・キー'"
    " WHEN 'review-voice' THEN '今日の復習・声' ELSE mode END AS テスト,"
    " multiplicand || '×' || multiplier AS 式, multiplicand * multiplier AS 正しい答え,"
    " answer AS 答え,"
    " CASE outcome WHEN 'right' THEN '正解' WHEN 'wrong' THEN 'まちがい' ELSE '時間切れ' END AS 結果,"
    " round(answer_ms / 1000.0, 1) AS 秒,"
    " CASE channel WHEN 'voice' THEN '声' ELSE 'キー' END AS 答え方,"
    " round(confidence, 2) AS 認識の確かさ";

QSqlDatabase dbOf(const QString& connection) {
    return QSqlDatabase::database(connection, false);
}

// SQLite's primary result code of a failed call, 0 when there is none.
int codeOf(const QSqlError& e) {
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    return ok ? code & 0xff : 0;
}

constexpr int kSqliteCorrupt = 11, kSqliteNotADatabase = 26, kSqliteBusy = 5, kSqliteLocked = 6,
              kSqliteReadOnly = 8, kSqliteIoError = 10, kSqliteFull = 13, kSqliteCantOpen = 14,
              kSqliteProtocol = 15;

bool isBusy(int code) {
    return code == kSqliteBusy || code == kSqliteLocked;
}

// A write that failed for one of these may succeed later: the file was busy, full, read-only for a
// while or not there. Anything else (a constraint broken) would fail again.
bool mayPassLater(int code) {
    return isBusy(code) || code == kSqliteReadOnly || code == kSqliteIoError || code == kSqliteFull ||
           code == kSqliteCantOpen || code == kSqliteProtocol;
}

}  // namespace

struct HistoryFailure {
    QString text;
    int code = 0;
    void take(const QSqlError& e) {
        text = e.text();
        code = codeOf(e);
    }
};

namespace {

using Failure = HistoryFailure;

bool exec(QSqlQuery& q, const QString& sql, Failure* error) {
    if (q.exec(sql)) return true;
    if (error) error->take(q.lastError());
    return false;
}

// A text bound to a NOT NULL column: a null QString would go in as NULL.
QString notNull(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

QString recCheckText(const RecCheck& rec) {
    QStringList rows;
    for (const auto& row : rec) {
        QStringList cells;
        for (int cell : row) cells << QString::number(cell);
        rows << cells.join(u',');
    }
    return rows.join(u';');
}

RecCheck recCheckOf(const QString& text) {
    RecCheck rec{};
    const QStringList rows = text.split(u';');
    for (std::size_t r = 0; r < rec.size() && r < static_cast<std::size_t>(rows.size()); ++r) {
        const QStringList cells = rows[static_cast<qsizetype>(r)].split(u',');
        for (std::size_t c = 0; c < rec[r].size() && c < static_cast<std::size_t>(cells.size()); ++c)
            rec[r][c] = cells[static_cast<qsizetype>(c)].toInt();
    }
    return rec;
}

void removeConnection(const QString& name) {
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isValid()) db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// Moves a broken database, with its journal files, aside under a dated name.
QString setAside(const QString& path) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = path + QStringLiteral(".broken-") + stamp;
    for (int i = 2; QFileInfo::exists(target); ++i)
        target = path + QStringLiteral(".broken-%1-%2").arg(stamp).arg(i);
    if (!QFile::rename(path, target)) return {};
    for (const char* suffix : {"-wal", "-shm"}) {
        const QString side = path + QLatin1String(suffix);
        if (QFileInfo::exists(side)) QFile::rename(side, target + QLatin1String(suffix));
    }
    return target;
}

QString csvField(QString text) {
    if (text.contains(u',') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r'))
        return u'"' + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return text;
}

}  // namespace

QString historyModeOf(int menu_n, bool review, AnswerChannel channel) {
    if (review)
        return channel == AnswerChannel::Voice ? QStringLiteral("review-voice")
                                               : QStringLiteral("review-key");
    switch (menu_n) {
        case 3:
            return QStringLiteral("key-ordered");
        case 4:
            return QStringLiteral("key-shuffled");
        case 5:
            return QStringLiteral("oral-ordered");
        case 6:
            return QStringLiteral("oral-shuffled");
        case 7:
            return QStringLiteral("recite-ordered");
        case 8:
            return QStringLiteral("recite-shuffled");
        case 9:
            return QStringLiteral("full-recitation");
        default:
            return QStringLiteral("mode-%1").arg(menu_n + 1);
    }
}

HistoryStore::HistoryStore(QString path, QString connection)
    : m_path(std::move(path)), m_connection(std::move(connection)) {}

HistoryStore::~HistoryStore() {
    if (!m_pending.empty()) {
        setBusyTimeout(kLastWaitMs);
        flush();
    }
    removeConnection(m_connection);
}

namespace {

QString inUseNotice(const QString& path) {
    return QStringLiteral(
               u"がんばりの記録のファイルを、いまほかのプログラムが使っています。\n%1\n"
               u"答えはいったん覚えておき、ファイルが空いたら書きこみます。")
        .arg(path);
}

// A notice for a start without the record: what is wrong, the lines that name the file (and why,
// when known), what was done with the file, and that the tests go on.
QString unrecordedNotice(const QString& what, const QStringList& details, const QString& fileKept = {},
                         const QString& lost = QStringLiteral(u"答えの記録は残りません。")) {
    QString text = what + u'\n';
    for (const QString& line : details) text += line + u'\n';
    return text + fileKept + QStringLiteral(u"テストはいつもどおりできますが、") + lost;
}

const QString kFileLeftAlone = QStringLiteral(u"ファイルはそのままにしておきます。");

QString reason(const QString& why) {
    return u'(' + why + u')';
}

// A file SQLite would open read-only: it, its journal files or its folder may not be written.
QString unwritable(const QString& path) {
    if (!QFileInfo::exists(path)) return {};
    for (const QString& file : {path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")})
        if (QFileInfo::exists(file) && !QFileInfo(file).isWritable()) return file;
    const QString folder = QFileInfo(path).absolutePath();
    return QFileInfo(folder).isWritable() ? QString() : folder;
}

// What keeps the file from being opened at all, found before SQLite touches it.
std::optional<HistoryStore::Opened> refusedBeforeOpening(const QString& path) {
    using Trouble = HistoryStore::Trouble;
    HistoryStore::Opened result;
    result.trouble = Trouble::Unopened;
    if (!QSqlDatabase::isDriverAvailable(QLatin1String(kDriver))) {
        result.notice =
            unrecordedNotice(QStringLiteral(u"がんばりの記録を残すためのSQLiteが見つかりません。"), {});
        return result;
    }
    // Something else in its place (a folder, a pipe that would block the start) is not opened.
    if (const QFileInfo info(path); info.exists() && !info.isFile()) {
        result.notice = unrecordedNotice(
            QStringLiteral(u"がんばりの記録のファイルのところに、ふつうのファイルではないものがあります。"),
            {path}, QStringLiteral(u"そのままにしておきます。"));
        return result;
    }
    // A file that may not be written is not opened at all: SQLite would open it read-only and
    // leave its journal files behind with the file's mode, and every answer would be refused.
    if (const QString file = unwritable(path); !file.isEmpty()) {
        result.trouble = Trouble::ReadOnly;
        result.notice = unrecordedNotice(
            QStringLiteral(u"がんばりの記録のファイルに書きこめません(読み取り専用になっています)。"), {file},
            kFileLeftAlone);
        return result;
    }
    return std::nullopt;
}

}  // namespace

std::unique_ptr<HistoryStore> HistoryStore::connect(const QString& path, Prepared* state, Failure* error) {
    static int serial = 0;
    const QString name = QStringLiteral("rentabo-history-%1").arg(++serial);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(kDriver), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kStartWaitMs));
        if (!db.open()) {
            error->take(db.lastError());
            *state = Prepared::Failed;
            db = QSqlDatabase();
            removeConnection(name);
            return nullptr;
        }
    }
    std::unique_ptr<HistoryStore> store(new HistoryStore(path, name));
    *state = store->prepare(error);
    if (*state == Prepared::Ready) store->m_ready = true;
    if (*state == Prepared::InUse) store->setBusyTimeout(kWriteWaitMs);
    // Busy is not broken: the store waits for the other program, keeping what it is given.
    if (*state != Prepared::Ready && *state != Prepared::InUse) return nullptr;
    return store;
}

HistoryStore::Opened HistoryStore::open(const QString& path) {
    if (auto refused = refusedBeforeOpening(path)) return std::move(*refused);
    Opened result;
    Prepared state = Prepared::Failed;
    Failure why;
    result.store = connect(path, &state, &why);
    if (state == Prepared::InUse) {
        result.trouble = Trouble::InUse;
        result.notice = inUseNotice(path);
    }
    if (result.store) return result;
    if (state == Prepared::Newer) {
        result.trouble = Trouble::Newer;
        result.notice = unrecordedNotice(
            QStringLiteral(u"がんばりの記録のファイルは、この版より新しいRentaboで作られたものです。"),
            {path}, kFileLeftAlone, QStringLiteral(u"この版では答えの記録は残りません。"));
        return result;
    }
    if (state == Prepared::ReadOnly) {
        result.trouble = Trouble::ReadOnly;
        result.notice = unrecordedNotice(QStringLiteral(u"がんばりの記録のファイルに書きこめません。"),
                                         {path, reason(why.text)}, kFileLeftAlone);
        return result;
    }

    // Only a file that is not a database, or a damaged one, is set aside.
    Failure again;
    if (state == Prepared::Broken && QFileInfo::exists(path)) {
        result.setAsidePath = setAside(path);
        if (!result.setAsidePath.isEmpty()) result.store = connect(path, &state, &again);
    }
    if (result.store) {
        result.trouble = Trouble::SetAside;
        result.notice = QStringLiteral(
                            u"がんばりの記録のファイルが読めなかったので、\n%1\nという名前で残し、"
                            u"新しい記録を始めます。")
                            .arg(QFileInfo(result.setAsidePath).fileName());
    } else {
        result.trouble = Trouble::Unopened;
        result.notice = unrecordedNotice(QStringLiteral(u"がんばりの記録のファイルを開けませんでした。"),
                                         {path, reason(again.text.isEmpty() ? why.text : again.text)});
    }
    return result;
}

HistoryStore::Prepared HistoryStore::prepare(HistoryFailure* error) {
    QSqlQuery q(dbOf(m_connection));
    auto failed = [&] {
        const int code = error->code;
        if (isBusy(code)) return Prepared::InUse;
        if (code == kSqliteCorrupt || code == kSqliteNotADatabase) return Prepared::Broken;
        if (code == kSqliteReadOnly) return Prepared::ReadOnly;
        return Prepared::Failed;
    };
    if (!m_checked) {
        // A file that is not a database fails here; a damaged one does not answer "ok".
        if (!exec(q, QStringLiteral("PRAGMA quick_check"), error)) return failed();
        if (!q.next() || q.value(0).toString() != QLatin1String("ok")) {
            error->text = QStringLiteral("quick_check: ") + (q.isValid() ? q.value(0).toString() : QString());
            return Prepared::Broken;
        }
        q.finish();
        m_checked = true;
    }
    if (!exec(q, QStringLiteral("PRAGMA user_version"), error)) return failed();
    const int version = q.next() ? q.value(0).toInt() : -1;
    q.finish();
    if (version < 0) {
        error->text = QStringLiteral("user_version");
        return Prepared::Failed;
    }
    // A newer program's file is left exactly as it is: not even its journal mode is changed.
    if (version > kSchemaVersion) {
        error->text = QStringLiteral("user_version %1").arg(version);
        return Prepared::Newer;
    }
    if (!exec(q, QStringLiteral("PRAGMA journal_mode=WAL"), error)) return failed();
    q.finish();
    // In WAL a commit reaches the file when it returns; only a power cut may lose the last ones.
    if (!exec(q, QStringLiteral("PRAGMA synchronous=NORMAL"), error)) return failed();
    if (version < kSchemaVersion && !migrate(version, error)) return failed();
    // The file must take writes, or every answer would be lost without a word.
    if (!exec(q, QStringLiteral("BEGIN IMMEDIATE"), error)) return failed();
    exec(q, QStringLiteral("ROLLBACK"), nullptr);
    setBusyTimeout(kWriteWaitMs);
    return Prepared::Ready;
}

int HistoryStore::schemaVersion() const {
    QSqlQuery q(dbOf(m_connection));
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) return -1;
    return q.value(0).toInt();
}

int HistoryStore::busyTimeoutMs() const {
    QSqlQuery q(dbOf(m_connection));
    if (!q.exec(QStringLiteral("PRAGMA busy_timeout")) || !q.next()) return -1;
    return q.value(0).toInt();
}

void HistoryStore::setBusyTimeout(int ms) {
    QSqlQuery q(dbOf(m_connection));
    q.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(ms));
}

bool HistoryStore::migrate(int from, Failure* error) {
    QSqlDatabase db = dbOf(m_connection);
    QSqlQuery q(db);
    if (!exec(q, QStringLiteral("BEGIN IMMEDIATE"), error)) return false;
    auto fail = [&] {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return false;
    };
    if (from < 1) {
        for (const char* sql : kSchema1)
            if (!exec(q, QString::fromUtf8(sql), error)) return fail();
    }
    if (from < 2) {
        // The review's Leitner cards, made from the answers already kept.
        if (!exec(q, QStringLiteral("ALTER TABLE answers ADD COLUMN review INTEGER NOT NULL DEFAULT 0"),
                  error) ||
            !exec(q,
                  QStringLiteral(
                      "CREATE TABLE review_cards (learner_name TEXT NOT NULL,"
                      " learner_number INTEGER NOT NULL, fact INTEGER NOT NULL, box INTEGER NOT NULL,"
                      " due_day TEXT, moved_up_day TEXT, missed_day TEXT,"
                      " PRIMARY KEY (learner_name, learner_number, fact))"),
                  error))
            return fail();
        std::map<std::tuple<QString, int, int>, LeitnerCard> cards;
        if (!exec(q,
                  QStringLiteral("SELECT learner_name, learner_number, fact, answered_at, outcome, answer_ms"
                                 " FROM answers ORDER BY id"),
                  error))
            return fail();
        while (q.next()) {
            auto& card = cards[{q.value(0).toString(), q.value(1).toInt(), q.value(2).toInt()}];
            const QDate day = QDate::fromString(q.value(3).toString().left(10), QLatin1String(kDayFormat));
            card = applyAnswer(card, day, outcomeOfTag(q.value(4).toString()), q.value(5).toLongLong());
        }
        q.finish();
        q.prepare(QStringLiteral("INSERT INTO review_cards VALUES (?, ?, ?, ?, ?, ?, ?)"));
        for (const auto& [key, card] : cards) {
            q.addBindValue(std::get<0>(key));
            q.addBindValue(std::get<1>(key));
            q.addBindValue(std::get<2>(key));
            q.addBindValue(card.box);
            q.addBindValue(nullableDay(card.due));
            q.addBindValue(nullableDay(card.movedUp));
            q.addBindValue(nullableDay(card.missed));
            if (!q.exec()) {
                error->take(q.lastError());
                return fail();
            }
        }
    }
    if (from < 3) {
        // Each learner's qualification table (7 answer ways of 14 cells, the ways apart with ";",
        // the cells with ",") and weak list ("n:" per fact), kept while another learner uses the
        // program.
        if (!exec(q,
                  QStringLiteral("CREATE TABLE learners (learner_name TEXT NOT NULL,"
                                 " learner_number INTEGER NOT NULL, qualification TEXT NOT NULL,"
                                 " weak_points TEXT NOT NULL, saved_at TEXT NOT NULL,"
                                 " PRIMARY KEY (learner_name, learner_number))"),
                  error))
            return fail();
    }
    if (!exec(q, QStringLiteral("DROP VIEW IF EXISTS answer_list"), error) ||
        !exec(q,
              QStringLiteral("CREATE VIEW answer_list AS SELECT ") + QString::fromUtf8(kListColumns) +
                  QStringLiteral(", CASE review WHEN 1 THEN '復習' ELSE '' END AS 復習 FROM answers"),
              error) ||
        !exec(q, QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion), error))
        return fail();
    if (!exec(q, QStringLiteral("COMMIT"), error)) return fail();
    return true;
}

bool HistoryStore::add(const HistoryRow& row) {
    if (row.answer.kuku_n < 0 || row.answer.kuku_n > 80) {
        m_lastWrite = Write::Refused;
        m_lastError = QStringLiteral("fact %1").arg(row.answer.kuku_n);
        return false;
    }
    return keep(row);
}

bool HistoryStore::keepRecords(const LearnerRecords& records) {
    return keep(records);
}

bool HistoryStore::keep(Pending item) {
    if (m_pending.size() >= kMaxPending) {
        m_lastWrite = Write::Failing;
        m_lastError = QStringLiteral("%1 answers wait already").arg(m_pending.size());
        return false;
    }
    m_pending.push_back(std::move(item));
    if (flush()) return m_lastWrite == Write::Written;
    if (onPending) onPending();
    return false;
}

bool HistoryStore::flush() {
    if (m_pending.empty() && m_ready) return true;
    auto stuck = [this](const Failure& why) {
        m_lastWrite = isBusy(why.code) ? Write::InUse : Write::Failing;
        m_lastError = why.text;
        return false;
    };
    Failure f;
    if (!m_ready) {
        const Prepared p = prepare(&f);
        if (p != Prepared::Ready) {
            m_lastWrite = p == Prepared::InUse ? Write::InUse : Write::Failing;
            m_lastError = f.text;
            return false;
        }
        m_ready = true;
    }
    if (m_pending.empty()) return true;
    QSqlQuery q(dbOf(m_connection));
    if (!exec(q, QStringLiteral("BEGIN IMMEDIATE"), &f)) return stuck(f);
    bool refused = false;
    for (const Pending& item : m_pending) {
        exec(q, QStringLiteral("SAVEPOINT item"), nullptr);
        const int code = write(item);
        if (code == 0) {
            exec(q, QStringLiteral("RELEASE item"), nullptr);
            continue;
        }
        if (mayPassLater(code)) {
            f = {m_lastError, code};
            exec(q, QStringLiteral("ROLLBACK"), nullptr);
            return stuck(f);
        }
        // It would never pass: dropped, so that the ones after it are not held up for ever.
        refused = true;
        exec(q, QStringLiteral("ROLLBACK TO item"), nullptr);
        exec(q, QStringLiteral("RELEASE item"), nullptr);
    }
    if (!exec(q, QStringLiteral("COMMIT"), &f)) {
        exec(q, QStringLiteral("ROLLBACK"), nullptr);
        return stuck(f);
    }
    m_pending.clear();
    m_lastWrite = refused ? Write::Refused : Write::Written;
    return true;
}

int HistoryStore::write(const Pending& item) {
    QSqlQuery q(dbOf(m_connection));
    auto fail = [&] {
        m_lastError = q.lastError().text();
        const int code = codeOf(q.lastError());
        return code != 0 ? code : 1;
    };
    if (const auto* records = std::get_if<LearnerRecords>(&item)) {
        q.prepare(QStringLiteral("INSERT OR REPLACE INTO learners VALUES (?, ?, ?, ?, ?)"));
        q.addBindValue(notNull(records->learner.name));
        q.addBindValue(records->learner.number);
        q.addBindValue(recCheckText(records->recCheck));
        q.addBindValue(notNull(records->errorsStr));
        q.addBindValue(QDateTime::currentDateTime().toString(QLatin1String(kTimeFormat)));
        return q.exec() ? 0 : fail();
    }
    const HistoryRow& row = std::get<HistoryRow>(item);
    const JudgedAnswer& a = row.answer;
    q.prepare(
        QStringLiteral("INSERT INTO answers (answered_at, learner_name, learner_number, mode, fact, "
                       "multiplicand, multiplier,"
                       " answer, outcome, answer_ms, channel, confidence, review) VALUES (?, ?, ?, ?, ?, ?, "
                       "?, ?, ?, ?, ?, ?, ?)"));
    q.addBindValue(row.when.toString(QLatin1String(kTimeFormat)));
    q.addBindValue(notNull(row.learner.name));
    q.addBindValue(row.learner.number);
    q.addBindValue(notNull(row.mode));
    q.addBindValue(a.kuku_n);
    q.addBindValue(a.kuku_n / 9 + 1);
    q.addBindValue(a.kuku_n % 9 + 1);
    q.addBindValue(a.given >= 0 ? QVariant(a.given) : QVariant(QMetaType(QMetaType::Int)));
    q.addBindValue(outcomeTag(a.outcome));
    q.addBindValue(static_cast<qlonglong>(a.answerMs));
    q.addBindValue(a.channel == AnswerChannel::Voice ? QStringLiteral("voice") : QStringLiteral("keyboard"));
    q.addBindValue(a.confidence ? QVariant(*a.confidence) : QVariant(QMetaType(QMetaType::Double)));
    q.addBindValue(row.review ? 1 : 0);
    if (!q.exec()) return fail();

    const LeitnerCard next = applyAnswer(card(row.learner, a.kuku_n), row.when.date(), a.outcome, a.answerMs);
    q.prepare(QStringLiteral("INSERT OR REPLACE INTO review_cards VALUES (?, ?, ?, ?, ?, ?, ?)"));
    q.addBindValue(notNull(row.learner.name));
    q.addBindValue(row.learner.number);
    q.addBindValue(a.kuku_n);
    q.addBindValue(next.box);
    q.addBindValue(nullableDay(next.due));
    q.addBindValue(nullableDay(next.movedUp));
    q.addBindValue(nullableDay(next.missed));
    return q.exec() ? 0 : fail();
}

std::optional<LearnerRecords> HistoryStore::records(const LearnerId& learner) const {
    for (auto it = m_pending.rbegin(); it != m_pending.rend(); ++it)
        if (const auto* r = std::get_if<LearnerRecords>(&*it);
            r && r->learner.name == learner.name && r->learner.number == learner.number)
            return *r;
    QSqlQuery q(dbOf(m_connection));
    q.prepare(
        QStringLiteral("SELECT qualification, weak_points FROM learners"
                       " WHERE learner_name = ? AND learner_number = ?"));
    q.addBindValue(notNull(learner.name));
    q.addBindValue(learner.number);
    if (!q.exec() || !q.next()) return std::nullopt;
    return LearnerRecords{learner, recCheckOf(q.value(0).toString()), q.value(1).toString()};
}

LeitnerCard HistoryStore::card(const LearnerId& learner, int kuku_n) const {
    QSqlQuery q(dbOf(m_connection));
    q.prepare(
        QStringLiteral("SELECT box, due_day, moved_up_day, missed_day FROM review_cards"
                       " WHERE learner_name = ? AND learner_number = ? AND fact = ?"));
    q.addBindValue(learner.name);
    q.addBindValue(learner.number);
    q.addBindValue(kuku_n);
    LeitnerCard c;
    if (q.exec() && q.next()) {
        c.box = q.value(0).toInt();
        c.due = dayOf(q.value(1));
        c.movedUp = dayOf(q.value(2));
        c.missed = dayOf(q.value(3));
    }
    return c;
}

std::array<FactProgress, 81> HistoryStore::recentProgress(const LearnerId& learner) const {
    std::array<FactProgress, 81> out{};
    QSqlQuery q(dbOf(m_connection));
    // One short walk down the index per fact: the same time with ten answers or a hundred thousand.
    q.prepare(QStringLiteral("SELECT outcome, answer_ms FROM answers"
                             " WHERE learner_name = ? AND learner_number = ? AND fact = ?"
                             " ORDER BY id DESC LIMIT %1")
                  .arg(kRecentAnswers));
    for (int k = 0; k < 81; ++k) {
        q.addBindValue(learner.name);
        q.addBindValue(learner.number);
        q.addBindValue(k);
        if (!q.exec()) {
            m_lastError = q.lastError().text();
            break;
        }
        FactProgress& f = out[static_cast<std::size_t>(k)];
        std::int64_t rightMs = 0;
        while (q.next()) {
            ++f.answers;
            if (q.value(0).toString() == QLatin1String("right")) {
                ++f.right;
                rightMs += q.value(1).toLongLong();
            }
        }
        if (f.right > 0) f.meanRightMs = rightMs / f.right;
    }
    return out;
}

std::vector<DayProgress> HistoryStore::days(const LearnerId& learner, const QDate& from,
                                            const QDate& to) const {
    std::vector<DayProgress> out;
    for (QDate d = from; d <= to; d = d.addDays(1)) out.push_back({d, 0, 0});
    QSqlQuery q(dbOf(m_connection));
    q.prepare(QStringLiteral(
        "SELECT substr(answered_at, 1, 10), COUNT(*), SUM(outcome = 'right') FROM answers"
        " WHERE learner_name = ? AND learner_number = ? AND answered_at >= ? AND answered_at < ?"
        " GROUP BY 1"));
    q.addBindValue(learner.name);
    q.addBindValue(learner.number);
    q.addBindValue(dayText(from));
    q.addBindValue(dayText(to.addDays(1)));
    if (!q.exec()) {
        m_lastError = q.lastError().text();
        return out;
    }
    while (q.next()) {
        const qint64 i = from.daysTo(dayOf(q.value(0)));
        if (i < 0 || i >= static_cast<qint64>(out.size())) continue;
        out[static_cast<std::size_t>(i)].answers = q.value(1).toInt();
        out[static_cast<std::size_t>(i)].right = q.value(2).toInt();
    }
    return out;
}

std::vector<int> HistoryStore::dueToday(const LearnerId& learner, const QDate& today, int limit) const {
    const auto recent = recentProgress(learner);
    std::vector<ReviewCandidate> candidates;
    QSqlQuery q(dbOf(m_connection));
    q.prepare(
        QStringLiteral("SELECT fact, box, due_day, moved_up_day, missed_day FROM review_cards"
                       " WHERE learner_name = ? AND learner_number = ?"));
    q.addBindValue(learner.name);
    q.addBindValue(learner.number);
    if (!q.exec()) {
        m_lastError = q.lastError().text();
        return {};
    }
    while (q.next()) {
        const int k = q.value(0).toInt();
        if (k < 0 || k > 80) continue;
        ReviewCandidate c;
        c.kuku_n = k;
        c.card = {q.value(1).toInt(), dayOf(q.value(2)), dayOf(q.value(3)), dayOf(q.value(4))};
        c.recentMisses = recent[static_cast<std::size_t>(k)].misses();
        c.meanRightMs = recent[static_cast<std::size_t>(k)].meanRightMs;
        candidates.push_back(c);
    }
    return dueForReview(std::move(candidates), today, limit);
}

int HistoryStore::answerCount(const LearnerId& learner) const {
    QSqlQuery q(dbOf(m_connection));
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM answers WHERE learner_name = ? AND learner_number = ?"));
    q.addBindValue(learner.name);
    q.addBindValue(learner.number);
    return q.exec() && q.next() ? q.value(0).toInt() : 0;
}

bool HistoryStore::exportCsv(const LearnerId& learner, const QString& path, QString* error) const {
    QSqlQuery q(dbOf(m_connection));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT ") + QString::fromUtf8(kListColumns) +
              QStringLiteral(", CASE review WHEN 1 THEN '復習' ELSE '' END AS 復習 FROM answers"
                             " WHERE learner_name = ? AND learner_number = ? ORDER BY id"));
    q.addBindValue(learner.name);
    q.addBindValue(learner.number);
    if (!q.exec()) {
        if (error) *error = q.lastError().text();
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    const QSqlRecord record = q.record();
    QStringList header;
    for (int i = 0; i < record.count(); ++i) header << csvField(record.fieldName(i));
    // A spreadsheet takes the file for UTF-8 only with the byte-order mark; rows end in CR LF.
    file.write("\xEF\xBB\xBF");
    file.write(header.join(u',').toUtf8() + "\r\n");
    while (q.next()) {
        QStringList fields;
        for (int i = 0; i < record.count(); ++i) fields << csvField(q.value(i).toString());
        file.write(fields.join(u',').toUtf8() + "\r\n");
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace rentabo
