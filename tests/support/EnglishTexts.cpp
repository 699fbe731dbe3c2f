#include "tests/support/EnglishTexts.h"

#include <cstdlib>

#include "platform/Language.h"

void UseEnglishTexts()
{
#ifdef _WIN32
    tvx::ChooseLanguage(0x0409); // no variable sets the language there
#else
    setenv("LC_ALL", "C", 1);
#endif
}
