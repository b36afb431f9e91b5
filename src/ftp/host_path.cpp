#include "host_path.h"

namespace kav {

QString joinHostPath(const QString &directory, const QString &name)
{
    return directory.endsWith(QLatin1Char('/')) ? directory + name : directory + QLatin1Char('/') + name;
}

QString hostBaseName(const QString &hostPath)
{
    return hostPath.mid(hostPath.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace kav
