#pragma once

#include <QDateTime>
#include <QString>

// The learner's voice folder as a whole (RentaboVoice beside the settings file): whose it is, and
// the two ways it leaves its place. The program deletes it only when its learner's name really
// changed; anything else that is not the learner's is set aside.
namespace rentabo {

// Who a voice folder belongs to, as far as its description can be read whole: a description
// cut short (a line without its end) or of another format is unreadable, not another learner's.
struct SpeakerModelOwner {
    bool present = false;   // the folder holds something
    bool readable = false;  // its description was read whole
    QString learner;
};
SpeakerModelOwner speakerModelOwner(const QString& dir);

// Renames a voice folder that is not the learner's, or cannot be read, beside itself with the
// date and time ("RentaboVoice-20261209-153000"), never deleting it; the new path, or empty when
// it could not be renamed.
QString setSpeakerModelAside(const QString& dir, const QDateTime& now);

// Removes the voice folder of `learner` when it is, without doubt, that learner's (read whole and
// naming them): a learner whose name really changed. True when it was removed.
bool forgetSpeakerModelOf(const QString& dir, const QString& learner);

}  // namespace rentabo
