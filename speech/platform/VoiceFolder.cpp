#include "speech/platform/VoiceFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace rentabo {

SpeakerModelOwner speakerModelOwner(const QString& dir) {
    SpeakerModelOwner owner;
    if (dir.isEmpty() || !QFileInfo(dir).isDir()) return owner;
    owner.present = !QDir(dir).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    QFile infoFile(dir + QStringLiteral("/speaker.txt"));
    if (!owner.present || !infoFile.open(QIODevice::ReadOnly)) return owner;
    const QByteArray text = infoFile.read(64 * 1024);
    // Every line of a description ends with its newline: without it the file was cut short.
    if (!text.startsWith("rentabo-speaker 1\n") || !text.endsWith('\n')) return owner;
    for (const QByteArray& line : text.split('\n')) {
        if (!line.startsWith("learner ")) continue;
        const auto decoded =
            QByteArray::fromBase64Encoding(line.mid(8), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) return owner;
        owner.learner = QString::fromUtf8(*decoded);
        owner.readable = true;
        return owner;
    }
    return owner;
}

QString setSpeakerModelAside(const QString& dir, const QDateTime& now) {
    const QString stamp = now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = dir + u'-' + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n) aside = dir + u'-' + stamp + u'-' + QString::number(n);
    return QDir().rename(dir, aside) ? aside : QString();
}

bool forgetSpeakerModelOf(const QString& dir, const QString& learner) {
    const SpeakerModelOwner owner = speakerModelOwner(dir);
    if (!owner.present || !owner.readable || owner.learner != learner) return false;
    return QDir(dir).removeRecursively();
}

}  // namespace rentabo
