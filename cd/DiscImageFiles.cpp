#include "cd/DiscImageFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Sheets are small; anything far larger is not a sheet and is left to the driver.
constexpr qint64 MaxSheetBytes = 1 << 20;

QString sheetText(const QString& cuePath)
{
    QFile file(cuePath);
    if (file.size() > MaxSheetBytes || !file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

// FILE "name with blanks.bin" BINARY, or FILE name.bin BINARY.
const QRegularExpression& fileLine()
{
    static const QRegularExpression re(QStringLiteral(R"re(^\s*FILE\s+(?:"([^"]*)"|(\S+))(?:\s+(\S+))?\s*$)re"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

bool isCueSheet(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("cue"), Qt::CaseInsensitive) == 0;
}

QString sameNamedBin(const QString& cuePath)
{
    const QFileInfo info(cuePath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".bin"));
}

bool sameFile(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

} // namespace

namespace DiscImageFiles {

QStringList namedFiles(const QString& cuePath)
{
    QStringList files;
    const QDir folder = QFileInfo(cuePath).dir();
    const QStringList lines = sheetText(cuePath).split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    for (const QString& line : lines) {
        const QRegularExpressionMatch match = fileLine().match(line);
        if (match.hasMatch()) {
            const QString name = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
            files.append(QDir::cleanPath(folder.filePath(name)));
        }
    }
    return files;
}

QString problem(const QString& imagePath)
{
    if (!isCueSheet(imagePath) || !QFileInfo::exists(imagePath)) {
        return QString();
    }
    const QStringList files = namedFiles(imagePath);
    // A data file renamed to match the sheet still holds the disc: the driver opens it.
    if (files.size() <= 1 && QFileInfo::exists(sameNamedBin(imagePath))) {
        return QString();
    }
    for (const QString& file : files) {
        if (!QFileInfo::exists(file)) {
            return QStringLiteral("The disc image's data file \"%1\" named in \"%2\" is missing")
                .arg(QFileInfo(file).fileName(), QFileInfo(imagePath).fileName());
        }
    }
    return QString();
}

Opening prepare(const QString& imagePath)
{
    Opening opening;
    opening.path = imagePath;
    if (!isCueSheet(imagePath)) {
        return opening;
    }
    const QStringList files = namedFiles(imagePath);
    // Sheets of one file per track are left as they are: the driver has one data file.
    if (files.size() != 1 || !QFileInfo::exists(files.front()) || sameFile(files.front(), sameNamedBin(imagePath))) {
        return opening;
    }
    auto folder = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("tarnwick-image-XXXXXX")));
    if (!folder->isValid()) {
        return opening;
    }
    // The copy names its data file like itself, and the link of that name leads to the
    // real file, so the driver finds it whichever name it goes by.
    QStringList lines = sheetText(imagePath).split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    for (QString& line : lines) {
        const QRegularExpressionMatch match = fileLine().match(line);
        if (match.hasMatch()) {
            const QString type = match.captured(3);
            line = QStringLiteral("FILE \"disc.bin\" ") + (type.isEmpty() ? QStringLiteral("BINARY") : type);
        }
    }
    const QString copy = folder->filePath(QStringLiteral("disc.cue"));
    QFile out(copy);
    const QByteArray text = lines.join(QLatin1Char('\n')).toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.flush()) {
        return opening;
    }
    out.close();
    if (!QFile::link(QFileInfo(files.front()).absoluteFilePath(), folder->filePath(QStringLiteral("disc.bin")))) {
        return opening;
    }
    opening.path = copy;
    opening.folder = std::move(folder);
    return opening;
}

} // namespace DiscImageFiles
