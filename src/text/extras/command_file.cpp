#include "text/extras/command_file.h"

#include <limits>

#include "io/uni_file_head.h"
#include "text/kq_types.h"
#include "text/text_replace.h"
#include "text/text_split.h"

namespace {

const std::string command_open = "<!cmd>";
const std::string command_close = "</!cmd>";
const std::string argument_open = "<!arg=";
const std::string argument_close = "</!arg>";

// Moves the complete "<!arg=name>value</!arg>" elements of command into list (name, value)
// and out of command.
void take_arguments(std::string& command, std::vector<std::string>& list) {
    for (std::size_t open = command.find(argument_open); open != std::string::npos;
         open = command.find(argument_open)) {
        const std::size_t name_at = open + argument_open.size();
        const std::size_t close = command.find(argument_close, name_at);
        if (close == std::string::npos) {
            // Only the command text itself may go: dropping the item before it otherwise
            // would take a value and leave its name paired with whatever comes next.
            if (list.size() == 1) {
                list.pop_back();
            }
            return;
        }
        const std::size_t name_end = command.find('>', name_at);
        if (name_end < close) {
            std::string name = command.substr(name_at, name_end - name_at);
            (void)remove_char(name, '"');
            (void)remove_char(name, '\'');
            list.push_back(name);
            list.push_back(command.substr(name_end + 1, close - name_end - 1));
        }
        command.erase(open, close + argument_close.size() - open);
    }
}

std::vector<std::string> parse_command(std::string command) {
    std::vector<std::string> list{command};
    take_arguments(command, list);
    std::vector<std::string> words;
    (void)split_on_char_quoted(command, ' ', words, true, false);  // no words: none appended
    for (std::string& word : words) {
        (void)remove_char(word, '"');
        list.push_back(word);
    }
    if (list.size() == 1) {
        list.clear();
    }
    return list;
}

}  // namespace

bool parse_command_file(std::vector<std::vector<std::string>>& out, const std::string& path,
                        bool keep_line_breaks) {
    out.clear();
    std::string text;
    if (path.empty() ||
        !uni::read_file_to_string(text, path, std::numeric_limits<uint32>::max())) {
        return false;
    }
    if (!keep_line_breaks) {
        replace_char(text, '\n', ' ', false);
    }
    (void)remove_char(text, '\r');
    (void)remove_char(text, '\t');
    std::size_t from = 0;
    for (;;) {
        const std::size_t open = text.find(command_open, from);
        if (open == std::string::npos) {
            break;
        }
        const std::size_t start = open + command_open.size();
        const std::size_t close = text.find(command_close, start);
        if (close == std::string::npos) {
            break;
        }
        out.push_back(parse_command(text.substr(start, close - start)));
        // The next block is looked for from this command's text on, so a "<!cmd>" written
        // inside a command opens a command of its own.
        from = start;
    }
    return !out.empty();
}
