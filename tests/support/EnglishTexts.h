// The wizard's texts in English for tests, on every system.
#pragma once

// For this process, whatever the language of the machine running the tests.
void UseEnglishTexts();
