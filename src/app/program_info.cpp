#include "program_info.h"

#include "platform/fonts.h"

namespace kav {

void installKoreanFonts()
{
    installFontSubstitutions();
}

} // namespace kav
