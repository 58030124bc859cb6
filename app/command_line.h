#ifndef VELMOR_APP_COMMAND_LINE_H
#define VELMOR_APP_COMMAND_LINE_H

// Words of the saver's command line and the mode they select.

#include <memory>

// Up to three words of a command line, split in place on spaces only (a tab
// does not separate words).  Missing words are null.  The words point into
// `buffer`, a copy of the command line owned by this object.
class CommandLineWords {
public:
    explicit CommandLineWords(const char* commandLine);

    const char* switchWord;
    const char* argumentWord;
    const char* thirdWord;
    // False when there was no memory for the copy: the words, all null, say
    // nothing of the mode asked for.
    bool copied;

    CommandLineWords(const CommandLineWords&) = delete;
    CommandLineWords& operator=(const CommandLineWords&) = delete;

private:
    std::unique_ptr<char[]> buffer;
};

// True when `word` is `letter` alone, behind at most one '-' or '/',
// compared without regard to case.  A null word gives false.
bool IsSwitch(const char* word, const char* letter);

// True for the configure switch as today's display settings start it:
// "c" (one optional '-' or '/') followed by a colon and anything, e.g. "/c:1234".
bool IsConfigureWithOwner(const char* word);

enum SaverMode { MODE_CONFIGURE, MODE_PREVIEW, MODE_FULL_SCREEN, MODE_PASSWORD, MODE_WINDOWED };

// The mode selected by the switch word; the first match in the order
// configure, preview, full screen, password wins; anything else is windowed.
SaverMode SelectMode(const char* switchWord);

// The preview's parent window number: the word read as a decimal integer
// the way atoi does (leading white space, optional sign, digits; anything
// else gives 0).  A null word gives 0.  Overflow wraps instead of being
// undefined.
long ParseWindowNumber(const char* word);

#endif
