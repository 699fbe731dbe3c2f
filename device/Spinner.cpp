// The busy indicator: a bar turning four times a second and, while the
// terminal manifests, the installation text typed one character per tick.
#include "wizard/CTVXUpgradeDlg.h"

#include <vector>

namespace {

struct SpinnerFrame {
    const char *bar;
    const char *cursor;
};

constexpr SpinnerFrame kFrames[] = {{"--", "!"}, {"\\", "\\"}, {"|", "!"}, {"/", "/"}};

// A character of a text a person reads is a whole UTF-8 sequence.
bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

std::vector<std::string> SplitCharacters(const std::string &text)
{
    std::vector<std::string> characters;
    for (char c : text) {
        if (IsContinuationByte(c) && !characters.empty())
            characters.back() += c;
        else
            characters.emplace_back(1, c);
    }
    return characters;
}

std::size_t CharacterCount(const std::string &text)
{
    std::size_t count = 0;
    for (char c : text)
        count += IsContinuationByte(c) ? 0 : 1;
    return count;
}

void RemoveLastCharacter(std::string &text)
{
    while (!text.empty()) {
        const char last = text.back();
        text.pop_back();
        if (!IsContinuationByte(last))
            break;
    }
}

} // namespace

void CTVXUpgradeDlg::OnSpinnerTimer(bool restart)
{
    if (!restart && run.spinnerTimerId == 0)
        return; // a tick that was under way when the spinner stopped
    if (restart) {
        monitor.typedText = " ";
        monitor.typedIndex = 0;
    }
    const SpinnerFrame &frame = kFrames[monitor.spinnerIndex % 4];
    window.SetControlText(slashText, frame.bar);
    monitor.spinnerIndex = (monitor.spinnerIndex + 1) % 4;

    if (!run.manifesting)
        return;
    const std::vector<std::string> message = SplitCharacters(localText(165));
    RemoveLastCharacter(monitor.typedText);
    if (monitor.typedIndex < message.size())
        monitor.typedText += message[monitor.typedIndex];
    monitor.typedText += frame.cursor;
    ++monitor.typedIndex;
    window.SetControlText(statusText, monitor.typedText);
    if (CharacterCount(monitor.typedText) > message.size())
        monitor.typedText = " ";
    if (monitor.typedIndex > message.size())
        monitor.typedIndex = 0;
}
