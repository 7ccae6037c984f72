#include "cli/cli_support.h"

#include <QRegularExpression>

#include <cstring>

namespace lyrimo {

bool ReadIntArgument(const QStringList& args, int& i, int low, int high, int& value) {
    bool ok = false;
    if (i + 1 < args.size())
        value = args[++i].toInt(&ok);
    return ok && value >= low && value <= high;
}

bool ReadSizeArgument(const QStringList& args, int& i, int& width, int& height) {
    static const QRegularExpression size("^(\\d{1,5})[xX](\\d{1,5})$");
    const QRegularExpressionMatch match =
        i + 1 < args.size() ? size.match(args[++i]) : QRegularExpressionMatch();
    width = match.hasMatch() ? match.captured(1).toInt() : 0;
    height = match.hasMatch() ? match.captured(2).toInt() : 0;
    return width >= 16 && height >= 16 && width <= 8192 && height <= 8192;
}

QString LoadResultText(int result) {
    if (result == -1)
        return "not a Lyrimo song file";
    if (result < 0)
        return QString("unknown error (%1)").arg(result);
    return QString::fromLocal8Bit(std::strerror(result));
}

QString SaveResultText(int result) {
    return result == -1 ? QString("writing failed; nothing was replaced") : LoadResultText(result);
}

} // namespace lyrimo
