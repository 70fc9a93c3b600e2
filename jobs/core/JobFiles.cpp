#include "jobs/core/JobFiles.h"

#include "common/TextFormat.h"
#include "settings/TSettings.h"

#include <QFileInfo>

namespace JobFiles {

QString folder(const TSettings& settings)
{
    QString f = settings.OutputFolder;
    if (!f.isEmpty() && !f.endsWith(QLatin1Char('/'))) {
        f += QLatin1Char('/');
    }
    return f;
}

QString extractItem(int row, const QString& title)
{
    return tarnwick::twoDigit(row) + title;
}

QString itemTitle(const QString& item)
{
    return item.mid(2);
}

int itemTrack(const QString& item)
{
    return item.left(2).toInt();
}

QString withExtension(const QString& path, const QString& extension)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString dir = path.left(path.size() - name.size());
    return dir + stem + extension;
}

QString extractedWav(const TSettings& settings, const QString& title)
{
    return folder(settings) + title + QStringLiteral(".wav");
}

QString convertedFile(const TSettings& settings, const QString& input, const QString& extension)
{
    return folder(settings) + withExtension(QFileInfo(input).fileName(), extension);
}

} // namespace JobFiles
