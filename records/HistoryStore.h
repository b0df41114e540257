#pragma once

#include "core/AnswerLog.h"
#include "core/KukuState.h"
#include "records/ReviewSchedule.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace rentabo {

struct HistoryFailure;

inline constexpr char kHistoryFileName[] = "RentaboHistory.sqlite";

// A learner as the history tells learners apart: siblings sharing the computer each have a name,
// and the learner number made from it.
struct LearnerId {
    QString name;
    int number = 0;
};

// One row of the history: a judged answer with who, when and how.
struct HistoryRow {
    QDateTime when;
    LearnerId learner;
    // What kind of test asked it, as stored: "key-ordered", "oral-shuffled", "review-voice", ...
    QString mode;
    JudgedAnswer answer;
    bool review = false;
};

// The mode stored for a test of lesson mode menu_n (3..9) or for the daily review.
QString historyModeOf(int menu_n, bool review, AnswerChannel channel);

// How a fact has gone lately: over its last kRecentAnswers answers.
inline constexpr int kRecentAnswers = 10;
struct FactProgress {
    int answers = 0;
    int right = 0;
    std::int64_t meanRightMs = 0;  // 0 when none of them was right
    int misses() const { return answers - right; }
};

// What a learner leaves behind when another takes over the program: the qualification table and
// the weak list, kept in the history until the learner's name and number come back.
struct LearnerRecords {
    LearnerId learner;
    RecCheck recCheck{};
    QString errorsStr;
};

struct DayProgress {
    QDate day;
    int answers = 0;
    int right = 0;
};

// The learner's history: every judged answer, in the SQLite database RentaboHistory.sqlite,
// written ahead (WAL) so that a program killed in the middle of a test loses at most the answer
// being written. A parent can read it with any SQLite tool: the table `answers`, and the view
// `answer_list` with Japanese column names; the table `learners` keeps each learner's
// qualification table and weak list while another learner uses the program.
//
// Everything runs on the window thread. Another program may hold the file (a parent's query
// tool): a write then waits at most kWriteWaitMs, less than a frame, and what could not be written
// is kept, in order, and written by the next write or flush() once the file is free.
class HistoryStore final {
public:
    // Schema versions (PRAGMA user_version): 1 the answers, 2 the review's Leitner cards, 3 the
    // learners' qualification tables and weak lists.
    static constexpr int kSchemaVersion = 3;
    // How long opening waits for another program to let go of the file.
    static constexpr int kStartWaitMs = 1500;
    // How long a write waits for it, on the window thread.
    static constexpr int kWriteWaitMs = 8;
    // How long the last flush, at the end of the program, waits for it.
    static constexpr int kLastWaitMs = 2000;
    // Writes kept in memory at most; beyond that new answers are not kept.
    static constexpr std::size_t kMaxPending = 20000;

    enum class Trouble {
        None,
        SetAside,  // the file was not a database, or a damaged one: moved aside, a new one started
        InUse,     // another program holds it: writes are kept until it lets go
        ReadOnly,  // it may not be written: no history this run, the file left as it is
        Newer,     // made by a newer version of the program: left as it is, no history this run
        Unopened,  // not even a new file could be made
    };
    struct Opened {
        std::unique_ptr<HistoryStore> store;  // null when no history is kept this run
        QString notice;                       // a Japanese notice for the learner, once; or empty
        QString setAsidePath;                 // where a broken file was moved
        Trouble trouble = Trouble::None;
    };
    // Opens (or makes) the database at `path`. Only a file that is not a database, or a damaged
    // one, is renamed beside itself (never deleted) and a new one started; a file that is busy,
    // read-only or newer is left as it is.
    static Opened open(const QString& path);

    // Waits up to kLastWaitMs to write what is still kept.
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Writes the answer and the fact's review card in one transaction, after anything still kept.
    // False when it could not be written now: then it is kept for later (pendingCount) unless it
    // was refused (lastWrite() says which, lastError() why).
    bool add(const HistoryRow& row);
    // Keeps a learner's qualification table and weak list, as add() does an answer.
    bool keepRecords(const LearnerRecords& records);
    // The records kept for this learner (the latest, written or not), if any.
    std::optional<LearnerRecords> records(const LearnerId& learner) const;

    enum class Write { Written, InUse, Failing, Refused };
    Write lastWrite() const { return m_lastWrite; }
    // Writes what is kept, in order; true when nothing is left.
    bool flush();
    std::size_t pendingCount() const { return m_pending.size(); }
    // Called when something was kept for later: whoever owns the store retries flush().
    std::function<void()> onPending;
    // The busy timeout of the connection, as SQLite has it.
    int busyTimeoutMs() const;
    // Waits up to `ms` from now on (the end of the program waits longer for its last flush).
    void setBusyTimeout(int ms);

    std::array<FactProgress, 81> recentProgress(const LearnerId& learner) const;
    // Each day from `from` to `to`, days without answers included.
    std::vector<DayProgress> days(const LearnerId& learner, const QDate& from, const QDate& to) const;
    // The facts of today's review (ReviewSchedule.h).
    std::vector<int> dueToday(const LearnerId& learner, const QDate& today, int limit = kReviewLimit) const;
    LeitnerCard card(const LearnerId& learner, int kuku_n) const;
    int answerCount(const LearnerId& learner) const;

    // The learner's answers as CSV, UTF-8 with a byte-order mark so that a spreadsheet reads the
    // Japanese right.
    bool exportCsv(const LearnerId& learner, const QString& path, QString* error) const;

    int schemaVersion() const;
    QString path() const { return m_path; }
    QString lastError() const { return m_lastError; }
    QString connectionName() const { return m_connection; }

private:
    enum class Prepared { Ready, InUse, ReadOnly, Newer, Broken, Failed };
    using Pending = std::variant<HistoryRow, LearnerRecords>;

    HistoryStore(QString path, QString connection);
    // A store on its own connection to the file, or nothing with `state` and `error` saying why.
    static std::unique_ptr<HistoryStore> connect(const QString& path, Prepared* state, HistoryFailure* error);
    Prepared prepare(HistoryFailure* error);
    bool migrate(int from, HistoryFailure* error);
    bool keep(Pending item);
    // Writes one kept item inside the open transaction; the SQLite error code when it fails.
    int write(const Pending& item);

    QString m_path;
    QString m_connection;
    bool m_ready = false;    // false while another program held the file at start
    bool m_checked = false;  // the file passed its quick check
    std::deque<Pending> m_pending;
    Write m_lastWrite = Write::Written;
    mutable QString m_lastError;
};

}  // namespace rentabo
