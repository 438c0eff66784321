// The one way portable code asks or tells the user something. The plug-in
// installs a handler that shows a real message box; tests install one that
// records the text and answers. Texts are code page 936.
#pragma once

#include <string>

enum class PromptButtons { Ok, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Yes, No, Cancel };

using PromptHandler = PromptAnswer (*)(const std::string& text, const std::string& caption, PromptButtons buttons);

// Installs handler (null: the default, which answers Ok/No/Cancel silently);
// returns the previous one.
PromptHandler SetPromptHandler(PromptHandler handler);

PromptAnswer Prompt(const std::string& text, PromptButtons buttons = PromptButtons::Ok,
                    const std::string& caption = std::string());
