#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace rentabo {

// The settings file and the learner number work on Shift-JIS (code page 932) bytes; the program
// itself holds UTF-8 text. These are the only crossings between the two.

// Characters that code page 932 cannot hold become '?', so a save never fails on a name.
QByteArray toCp932(const QString& text);
// Bytes that are not valid code page 932 become U+FFFD; nothing is dropped silently.
QString fromCp932(const QByteArray& bytes);

// A character the settings file cannot keep as it is: code page 932 has no code for it
// (`storedAs` empty: it would be written as '?'), or it comes back from the file as another
// character (〜 as ～, ¥ as a backslash), so a name holding it would not be the same name after a restart.
struct Cp932Misfit {
    QString character;
    QString storedAs;
};
// Each such character of `text` once, in the order they first appear.
QList<Cp932Misfit> cp932Misfits(const QString& text);

// The name typed in the name box, made fit for the settings file before anything is stored:
// characters it cannot hold at all are refused with a message naming them (`tell`); characters
// it would change are changed only when `confirm` agrees to the question naming them. Returns
// the name to take, or nothing when it was refused or the change declined.
std::optional<QString> fitNameForSettingsFile(const QString& typed,
                                              const std::function<bool(const QString& question)>& confirm,
                                              const std::function<void(const QString& text)>& tell);

}  // namespace rentabo
