#include "UserPrompt.h"

namespace {

PromptAnswer SilentPrompt(const std::string&, const std::string&, PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok:
        return PromptAnswer::Ok;
    case PromptButtons::YesNo:
        return PromptAnswer::No;
    case PromptButtons::YesNoCancel:
        return PromptAnswer::Cancel;
    }
    return PromptAnswer::Cancel;
}

PromptHandler currentHandler = SilentPrompt;

}  // namespace

PromptHandler SetPromptHandler(PromptHandler handler)
{
    PromptHandler previous = currentHandler;
    currentHandler = handler ? handler : SilentPrompt;
    return previous;
}

PromptAnswer Prompt(const std::string& text, PromptButtons buttons, const std::string& caption)
{
    return currentHandler(text, caption, buttons);
}
