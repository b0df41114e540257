#include "speech/platform/AcousticModel.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace rentabo {

QString englishModelDir() {
    return QStringLiteral("/usr/share/pocketsphinx/model/en-us/en-us");
}

QString defaultModelDir() {
    auto usable = [](const QString& dir) {
        return !dir.isEmpty() && QFile::exists(dir + QStringLiteral("/mdef"));
    };
    const QString chosen = qEnvironmentVariable("RENTABO_MODEL_DIR");
    if (usable(chosen)) return chosen;
    if (QCoreApplication::instance()) {
        const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/model");
        if (usable(beside)) return beside;
    }
    return englishModelDir();
}

bool checkModelManifest(const QString& dir, QString* why) {
    QFile manifest(dir + QStringLiteral("/manifest.txt"));
    if (!manifest.exists()) return true;
    const QList<QByteArray> lines =
        manifest.open(QIODevice::ReadOnly) ? manifest.read(64 * 1024).split('\n') : QList<QByteArray>{};
    const auto listBroken = [&] {
        if (why) *why = QStringLiteral("音響モデルの目録 %1 が壊れています").arg(manifest.fileName());
        return false;
    };
    if (lines.isEmpty() || lines.front() != "rentabo-model 1") return listBroken();
    for (const QByteArray& line : lines.mid(1)) {
        if (line.isEmpty()) continue;
        const QList<QByteArray> f = line.split(' ');
        if (f.size() != 4 || f[0] != "file" || f[3].size() != 40) return listBroken();
        const QString path = dir + u'/' + QString::fromUtf8(f[1]);
        QFile file(path);
        bool whole =
            QFileInfo(path).isFile() && file.size() == f[2].toLongLong() && file.open(QIODevice::ReadOnly);
        if (whole) {
            QCryptographicHash sha1(QCryptographicHash::Sha1);
            whole = sha1.addData(&file) && sha1.result().toHex() == f[3];
        }
        if (!whole) {
            if (why) *why = QStringLiteral("音響モデルのファイル %1 が壊れています").arg(path);
            return false;
        }
    }
    return true;
}

}  // namespace rentabo
