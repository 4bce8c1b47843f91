#include "app/settings.h"

#include <vector>

#include "common/conversion.h"
#include "common/errors.h"
#include "report/month_page.h"

namespace nevalorum {

Settings ParseSettings(const std::string& bytes, const std::string& path) {
    const std::vector<std::string> lines = FragmentLines(bytes);
    const auto lineText = [&lines](std::size_t index) {
        return index < lines.size() ? lines[index] : std::string();
    };
    const auto number = [&](std::size_t index) {
        std::string text = lineText(index);
        text.erase(text.find_last_not_of(" \t") + 1);
        try {
            return ParseInteger(text);
        } catch (const ConversionError&) {
            throw InputOutputError("Invalid numeric input in " + path + ", line " +
                                   std::to_string(index + 1) + ": '" + text + "'");
        }
    };
    Settings settings;
    settings.FontSizeSetting = number(0);
    settings.LineTwoValue = number(1);
    settings.LineThreeText = lineText(2);
    return settings;
}

}  // namespace nevalorum
