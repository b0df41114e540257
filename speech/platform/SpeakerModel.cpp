#include "speech/platform/SpeakerModel.h"

#include "speech/platform/WavFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>

namespace rentabo {

namespace {

const QString kSphinxTrainDir = QStringLiteral("/usr/lib/sphinxtrain");
const QString kInfoFile = QStringLiteral("speaker.txt");
// The files of a model that adaptation changes, and those it copies from the program's model.
const QStringList kAdaptedFiles = {QStringLiteral("means"), QStringLiteral("variances"),
                                   QStringLiteral("transition_matrices"), QStringLiteral("sendump")};
const QStringList kCopiedFiles = {QStringLiteral("mdef"), QStringLiteral("feat.params"),
                                  QStringLiteral("noisedict")};

bool fail(QString* error, const QString& why) {
    if (error) *error = why;
    return false;
}

QString tool(const QString& name) {
    const QString inTrain = kSphinxTrainDir + u'/' + name;
    if (QFile::exists(inTrain)) return inTrain;
    return QStandardPaths::findExecutable(name);
}

// Runs a tool to its end; its output goes to `log` in the work folder for the error message.
bool run(const QString& program, const QStringList& args, const QString& log, QString* error) {
    const QString path = tool(program);
    if (path.isEmpty()) return fail(error, QStringLiteral("%1 が見つかりません").arg(program));
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setStandardOutputFile(log);
    p.start(path, args);
    if (!p.waitForStarted() || !p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit ||
        p.exitCode() != 0) {
        QFile f(log);
        QString tail;
        if (f.open(QIODevice::ReadOnly)) tail = QString::fromUtf8(f.readAll().right(300)).trimmed();
        return fail(error, QStringLiteral("%1 に失敗しました: %2").arg(program, tail));
    }
    return true;
}

QByteArray sha1Of(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash h(QCryptographicHash::Sha1);
    h.addData(&f);
    return h.result().toHex();
}

// The feature settings of a model (feat.params: lines "-name value") that the training tools
// must be given to compute the same features as the decoder.
QStringList featureArgs(const QString& modelDir) {
    QFile f(modelDir + QStringLiteral("/feat.params"));
    QStringList args;
    if (!f.open(QIODevice::ReadOnly)) return args;
    static const QStringList kWanted = {QStringLiteral("-feat"), QStringLiteral("-svspec"),
                                        QStringLiteral("-cmn"), QStringLiteral("-agc"),
                                        QStringLiteral("-varnorm")};
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QStringList kv = QString::fromUtf8(line).simplified().split(u' ');
        if (kv.size() == 2 && kWanted.contains(kv[0])) args << kv[0] << kv[1];
    }
    return args;
}

// Expands a PocketSphinx model's compressed mixture weights (sendump: length-prefixed header
// lines ended by a zero length, the number of codewords and senones, then per stream and
// codeword one byte per senone, the weight's negative log base 1.0001 shifted right) into the
// mixture_weights file SphinxTrain reads (per senone and stream, weights summing to 1).
bool expandMixtureWeights(const QString& sendump, const QString& out, QString* error) {
    QFile in(sendump);
    if (!in.open(QIODevice::ReadOnly)) return fail(error, QStringLiteral("%1 を開けません").arg(sendump));
    const QByteArray data = in.readAll();
    qsizetype pos = 0;
    auto int32 = [&](std::int32_t& v) {
        if (pos + 4 > data.size()) return false;
        v = std::int32_t(readLe32(data.constData() + pos));
        pos += 4;
        return true;
    };
    int features = 1, shift = 10;
    for (;;) {
        std::int32_t n = 0;
        if (!int32(n) || n < 0 || n > 65536 || pos + n > data.size())
            return fail(error, QStringLiteral("%1 の形式が違います").arg(sendump));
        if (n == 0) break;
        const QList<QByteArray> kv = data.mid(pos, n).replace('\0', "").split(' ');
        pos += n;
        if (kv.size() == 2 && kv[0] == "feature_count") features = kv[1].toInt();
        if (kv.size() == 2 && kv[0] == "mixw_shift") shift = kv[1].toInt();
        if (kv.size() == 2 && kv[0] == "cluster_count" && kv[1].toInt() != 0)
            return fail(error, QStringLiteral("%1: 圧縮された重みは扱えません").arg(sendump));
    }
    std::int32_t codewords = 0, senones = 0;
    if (!int32(codewords) || !int32(senones) || features <= 0 || codewords <= 0 || senones <= 0 ||
        data.size() - pos != qsizetype(features) * codewords * senones)
        return fail(error, QStringLiteral("%1 の大きさが合いません").arg(sendump));
    std::vector<float> table(256);
    for (int b = 0; b < 256; ++b) table[std::size_t(b)] = float(std::pow(1.0001, -double(b << shift)));
    const std::size_t perSenone = std::size_t(features) * std::size_t(codewords);
    std::vector<float> weights(std::size_t(senones) * perSenone);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(data.constData() + pos);
    for (std::size_t fc = 0; fc < perSenone; ++fc)
        for (std::size_t s = 0; s < std::size_t(senones); ++s)
            weights[s * perSenone + fc] = table[raw[fc * std::size_t(senones) + s]];
    for (std::size_t row = 0; row < std::size_t(senones) * std::size_t(features); ++row) {
        float* w = weights.data() + row * std::size_t(codewords);
        double total = 0;
        for (int c = 0; c < codewords; ++c) total += w[c];
        if (total > 0)
            for (int c = 0; c < codewords; ++c) w[c] = float(w[c] / total);
    }
    QByteArray file = "s3\nversion 1.0\n";
    file += QByteArray((4 - (file.size() + 7) % 4) % 4, ' ') + "endhdr\n";
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file += char((v >> (8 * i)) & 0xff);
    };
    put32(0x11223344);
    put32(std::uint32_t(senones));
    put32(std::uint32_t(features));
    put32(std::uint32_t(codewords));
    put32(std::uint32_t(weights.size()));
    static_assert(sizeof(float) == 4);
    for (float w : weights) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &w, 4);
        put32(bits);
    }
    QFile o(out);
    if (!o.open(QIODevice::WriteOnly) || o.write(file) != file.size())
        return fail(error, QStringLiteral("%1 を書けません").arg(out));
    return true;
}

// Copies the folder's files into place under `dir`, replacing what was there only once whole.
bool replaceFolder(const QString& from, const QString& dir, QString* error) {
    const QString fresh = dir + QStringLiteral(".new");
    const QString old = dir + QStringLiteral(".old");
    QDir(fresh).removeRecursively();
    QDir(old).removeRecursively();
    if (!QDir().mkpath(fresh)) return fail(error, QStringLiteral("%1 を作れません").arg(fresh));
    for (const QString& name : QDir(from).entryList(QDir::Files))
        if (!QFile::copy(from + u'/' + name, fresh + u'/' + name))
            return fail(error, QStringLiteral("%1 を書けません").arg(fresh));
    if (QFileInfo::exists(dir) && !QDir().rename(dir, old))
        return fail(error, QStringLiteral("%1 を置き換えられません").arg(dir));
    if (!QDir().rename(fresh, dir)) {
        QDir().rename(old, dir);
        return fail(error, QStringLiteral("%1 を置き換えられません").arg(dir));
    }
    QDir(old).removeRecursively();
    return true;
}

}  // namespace

bool speakerAdaptationAvailable(QString* missing) {
    for (const QString& t :
         {QStringLiteral("sphinx_fe"), QStringLiteral("pocketsphinx_mdef_convert"), QStringLiteral("bw"),
          QStringLiteral("map_adapt"), QStringLiteral("mk_s2sendump")}) {
        if (tool(t).isEmpty()) {
            if (missing) *missing = t;
            return false;
        }
    }
    return true;
}

namespace {

// The learner's phrases as the training tools take them: a WAV file each, their ids, a
// dictionary with each phrase's phones as one word, and the transcription.
bool writeTrainingFiles(const QString& w, const std::vector<KnownPhrase>& phrases, QString* error) {
    QByteArray ids, dict, transcription;
    for (std::size_t i = 0; i < phrases.size(); ++i) {
        const QByteArray id = QByteArray::number(qulonglong(i)).rightJustified(3, '0').prepend('p');
        if (phrases[i].phones.isEmpty())
            return fail(error, QStringLiteral("発音のない声のサンプルがあります"));
        if (!writeWavFile(w + QStringLiteral("/wav/") + QString::fromLatin1(id) + QStringLiteral(".wav"),
                          phrases[i].samples, 16000, error))
            return false;
        ids += id + '\n';
        dict += id + ' ' + phrases[i].phones.join(u' ').toUtf8() + '\n';
        transcription += "<s> " + id + " </s> (" + id + ")\n";
    }
    for (const auto& [name, bytes] :
         {std::pair{QStringLiteral("ids"), ids}, std::pair{QStringLiteral("dict"), dict},
          std::pair{QStringLiteral("transcription"), transcription}}) {
        QFile f(w + u'/' + name);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return fail(error, QStringLiteral("作業用のファイルを書けません"));
    }
    return true;
}

// sphinx_fe, bw and map_adapt re-estimate the base model on the phrases of `w`, at the warp
// `warpText`; the model is made in w/model.
bool runTrainingTools(const QString& base, const QString& w, const QString& warpText, QString* error) {
    const QString hmm = w + QStringLiteral("/hmm");
    for (const QString& name : {QStringLiteral("means"), QStringLiteral("variances"),
                                QStringLiteral("transition_matrices"), QStringLiteral("noisedict")})
        if (!QFile::copy(base + u'/' + name, hmm + u'/' + name))
            return fail(error, QStringLiteral("音響モデル %1 が読めません").arg(base));
    if (!expandMixtureWeights(base + QStringLiteral("/sendump"), hmm + QStringLiteral("/mixture_weights"),
                              error))
        return false;
    if (!run(QStringLiteral("sphinx_fe"),
             {QStringLiteral("-argfile"),     base + QStringLiteral("/feat.params"),
              QStringLiteral("-samprate"),    QStringLiteral("16000"),
              QStringLiteral("-c"),           w + QStringLiteral("/ids"),
              QStringLiteral("-di"),          w + QStringLiteral("/wav"),
              QStringLiteral("-do"),          w + QStringLiteral("/mfc"),
              QStringLiteral("-ei"),          QStringLiteral("wav"),
              QStringLiteral("-eo"),          QStringLiteral("mfc"),
              QStringLiteral("-mswav"),       QStringLiteral("yes"),
              QStringLiteral("-warp_type"),   QStringLiteral("inverse_linear"),
              QStringLiteral("-warp_params"), warpText},
             w + QStringLiteral("/fe.log"), error))
        return false;
    if (!run(QStringLiteral("pocketsphinx_mdef_convert"),
             {QStringLiteral("-text"), base + QStringLiteral("/mdef"), hmm + QStringLiteral("/mdef.txt")},
             w + QStringLiteral("/mdef.log"), error))
        return false;
    // One pass of Baum-Welch counts over the learner's phrases, then MAP re-estimation: with the
    // few phrases of one voice it moves what they show and keeps the rest of the model.
    if (!run(QStringLiteral("bw"),
             QStringList{
                 QStringLiteral("-hmmdir"), hmm, QStringLiteral("-moddeffn"),
                 hmm + QStringLiteral("/mdef.txt"), QStringLiteral("-ts2cbfn"), QStringLiteral(".ptm."),
                 QStringLiteral("-dictfn"), w + QStringLiteral("/dict"), QStringLiteral("-fdictfn"),
                 hmm + QStringLiteral("/noisedict"), QStringLiteral("-ctlfn"), w + QStringLiteral("/ids"),
                 QStringLiteral("-lsnfn"), w + QStringLiteral("/transcription"), QStringLiteral("-cepdir"),
                 w + QStringLiteral("/mfc"), QStringLiteral("-accumdir"), w + QStringLiteral("/acc")} +
                 featureArgs(base),
             w + QStringLiteral("/bw.log"), error))
        return false;
    const QString model = w + QStringLiteral("/model");
    if (!run(QStringLiteral("map_adapt"),
             {QStringLiteral("-moddeffn"),  hmm + QStringLiteral("/mdef.txt"),
              QStringLiteral("-ts2cbfn"),   QStringLiteral(".ptm."),
              QStringLiteral("-meanfn"),    hmm + QStringLiteral("/means"),
              QStringLiteral("-varfn"),     hmm + QStringLiteral("/variances"),
              QStringLiteral("-mixwfn"),    hmm + QStringLiteral("/mixture_weights"),
              QStringLiteral("-tmatfn"),    hmm + QStringLiteral("/transition_matrices"),
              QStringLiteral("-accumdir"),  w + QStringLiteral("/acc"),
              QStringLiteral("-mapmeanfn"), model + QStringLiteral("/means"),
              QStringLiteral("-mapvarfn"),  model + QStringLiteral("/variances"),
              QStringLiteral("-mapmixwfn"), w + QStringLiteral("/mixture_weights"),
              QStringLiteral("-maptmatfn"), model + QStringLiteral("/transition_matrices")},
             w + QStringLiteral("/map.log"), error))
        return false;
    if (!run(QStringLiteral("mk_s2sendump"),
             {QStringLiteral("-pocketsphinx"), QStringLiteral("yes"), QStringLiteral("-moddeffn"),
              hmm + QStringLiteral("/mdef.txt"), QStringLiteral("-mixwfn"),
              w + QStringLiteral("/mixture_weights"), QStringLiteral("-sendumpfn"),
              model + QStringLiteral("/sendump")},
             w + QStringLiteral("/s2.log"), error))
        return false;
    for (const QString& name : kCopiedFiles)
        if (!QFile::copy(base + u'/' + name, model + u'/' + name))
            return fail(error, QStringLiteral("音響モデル %1 が読めません").arg(base));
    return true;
}

// The model folder's description: whose voice, its warp, the base model's means, every file's
// size and SHA-1.
bool writeModelInfo(const QString& model, const QString& base, const QString& learner,
                    const QString& warpText, std::size_t phrases, QString* error) {
    QByteArray info = "rentabo-speaker 1\n";
    info += "learner " + learner.toUtf8().toBase64() + '\n';
    info += "warp " + warpText.toUtf8() + '\n';
    info += "phrases " + QByteArray::number(qulonglong(phrases)) + '\n';
    info += "base " + sha1Of(base + QStringLiteral("/means")) + '\n';
    for (const QString& name : kAdaptedFiles + kCopiedFiles)
        info += "file " + name.toUtf8() + ' ' + QByteArray::number(QFileInfo(model + u'/' + name).size()) +
                ' ' + sha1Of(model + u'/' + name) + '\n';
    QFile infoFile(model + u'/' + kInfoFile);
    if (!infoFile.open(QIODevice::WriteOnly) || infoFile.write(info) != info.size())
        return fail(error, QStringLiteral("作業用のファイルを書けません"));
    infoFile.close();
    return true;
}

}  // namespace

bool adaptToSpeaker(const QString& baseModelDir, double warp, const QString& learner,
                    const std::vector<KnownPhrase>& phrases, const QString& outDir, QString* error) {
    if (phrases.empty()) return fail(error, QStringLiteral("声のサンプルがありません"));
    QString missing;
    if (!speakerAdaptationAvailable(&missing))
        return fail(error, QStringLiteral("声に合わせる道具 %1 がありません").arg(missing));
    QTemporaryDir work;
    if (!work.isValid()) return fail(error, QStringLiteral("作業用のフォルダを作れません"));
    const QString w = work.path();
    for (const char* sub : {"wav", "mfc", "acc", "hmm", "model"}) QDir(w).mkpath(QString::fromLatin1(sub));

    if (!writeTrainingFiles(w, phrases, error)) return false;
    const QString warpText = QString::number(warp, 'f', 2);
    if (!runTrainingTools(baseModelDir, w, warpText, error)) return false;
    const QString model = w + QStringLiteral("/model");
    if (!writeModelInfo(model, baseModelDir, learner, warpText, phrases.size(), error)) return false;
    return replaceFolder(model, outDir, error);
}

namespace {
// The lines of a model folder's description (nullopt when there is none to read).
std::optional<QList<QByteArray>> infoLines(const QString& dir) {
    QFile infoFile(dir + u'/' + kInfoFile);
    if (dir.isEmpty() || !infoFile.open(QIODevice::ReadOnly)) return std::nullopt;
    return infoFile.read(64 * 1024).split('\n');
}
}  // namespace

std::optional<SpeakerModel> loadSpeakerModel(const QString& dir, const QString& baseModelDir,
                                             const QString& learner, QString* why) {
    auto refuse = [&](const QString& reason) -> std::optional<SpeakerModel> {
        if (why) *why = reason;
        return std::nullopt;
    };
    const auto read = infoLines(dir);
    if (!read) return refuse(QStringLiteral("声のモデルがありません"));
    const QList<QByteArray>& lines = *read;
    if (lines.isEmpty() || lines.front() != "rentabo-speaker 1")
        return refuse(QStringLiteral("声のモデルの形式が違います"));
    SpeakerModel m;
    m.dir = dir;
    QByteArray baseHash;
    QStringList checked;
    for (const QByteArray& line : lines.mid(1)) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() == 2 && f[0] == "learner")
            m.learner = QString::fromUtf8(QByteArray::fromBase64(f[1]));
        else if (f.size() == 2 && f[0] == "warp")
            m.warp = f[1].toDouble();
        else if (f.size() == 2 && f[0] == "phrases")
            m.phrases = f[1].toInt();
        else if (f.size() == 2 && f[0] == "base")
            baseHash = f[1];
        else if (f.size() == 4 && f[0] == "file") {
            const QString name = QString::fromUtf8(f[1]);
            if (!(kAdaptedFiles + kCopiedFiles).contains(name)) continue;
            const QString path = dir + u'/' + name;
            if (QFileInfo(path).size() != f[2].toLongLong() || sha1Of(path) != f[3])
                return refuse(QStringLiteral("声のモデルの %1 がこわれています").arg(name));
            checked << name;
        }
    }
    for (const QString& name : kAdaptedFiles + kCopiedFiles)
        if (!checked.contains(name)) return refuse(QStringLiteral("声のモデルの %1 がありません").arg(name));
    if (m.learner != learner) return refuse(QStringLiteral("声のモデルはほかの人のものです"));
    if (baseHash.isEmpty() || baseHash != sha1Of(baseModelDir + QStringLiteral("/means")))
        return refuse(QStringLiteral("声のモデルは今の音響モデルから作られたものではありません"));
    if (!std::isfinite(m.warp) || m.warp < 0.5 || m.warp > 2.0)
        return refuse(QStringLiteral("声のモデルの形式が違います"));
    return m;
}

}  // namespace rentabo
