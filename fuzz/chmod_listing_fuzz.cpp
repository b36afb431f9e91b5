// Any bytes as a server's answer to LIST -lai for one file, read the way the
// permission window reads it: the first byte chooses the server's encoding,
// the rest up to the first LF is the selected file's name, the remainder the
// listing. Every readable line must give fields taken from the line, a mode
// that its permission text stands for, and a mode text that reads back as it.
#include "fuzz_check.h"

#include "remoteops/mode_text.h"
#include "ftp/listing.h"
#include "platform/cp949.h"
#include "platform/text.h"
#include "platform/utf8x.h"

#include <cstddef>
#include <cstdint>

namespace {

void checkLine(const QString &line)
{
    for (int n = 1; n <= 12; ++n) {
        const QString field = kav::ListField(line, n);
        FUZZ_CHECK(!field.contains(QLatin1Char(' ')));
        FUZZ_CHECK(line.contains(field));
        FUZZ_CHECK(kav::ListFieldTail(line, n).startsWith(field));
    }
    const auto p = kav::readListingLine(line);
    if (!p)
        return;
    const int first = p->inode.isEmpty() ? 1 : 2;
    FUZZ_CHECK(p->permission == kav::ListField(line, first));
    FUZZ_CHECK(kav::modeOfPermissionText(p->permission) == p->mode);
    FUZZ_CHECK(p->mode >= 0 && p->mode <= 07777);
    FUZZ_CHECK(p->name == kav::ListFieldTail(line, first + 8));
    FUZZ_CHECK(line.contains(p->name));
    for (const QString *field : {&p->inode, &p->links, &p->owner, &p->group, &p->size, &p->month, &p->day,
                                 &p->timeOrYear})
        FUZZ_CHECK(!field->contains(QLatin1Char(' ')) && line.contains(*field));
    // What SITE CHMOD is sent: digits that read back as the mode.
    const QString text = kav::modeText(p->mode);
    FUZZ_CHECK(text.size() == 3 || text.size() == 4);
    bool ok = false;
    FUZZ_CHECK(text.toInt(&ok, 8) == p->mode && ok);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool cp949 = data[0] & 1;
    QByteArray rest(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    const qsizetype eol = rest.indexOf('\n');
    auto decode = [cp949](QByteArrayView bytes) {
        return cp949 ? kav::cp949::decode(bytes) : kav::utf8x::decode(bytes);
    };
    const QString name = decode(eol < 0 ? QByteArrayView(rest) : QByteArrayView(rest).first(eol));
    QByteArray bytes = eol < 0 ? QByteArray() : rest.mid(eol + 1);

    bytes.replace('\0', '\n');
    QList<QString> lines;
    for (const QByteArray &raw : bytes.split('\n'))
        lines << kav::text::trimmed(decode(raw));
    bool named = false;
    for (const QString &line : lines) {
        checkLine(line);
        if (const auto p = kav::readListingLine(line))
            named = named || p->name == name;
    }
    const auto chosen = kav::propertiesOf(lines, name);
    if (named) {
        FUZZ_CHECK(chosen && chosen->name == name);
    }
    if (chosen)
        FUZZ_CHECK(kav::modeOfPermissionText(chosen->permission) == chosen->mode);
    return 0;
}
