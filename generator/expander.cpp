#include "generator/expander.h"

#include <vector>

namespace quillon::generator {

namespace {

struct Piece
{
    std::string text;
    bool inserted; // a fragment: never searched for placeholders
};

} // namespace

std::string replacePlaceholders(std::string_view templateText,
                                std::span<const Replacement> replacements)
{
    // Two template pieces are never neighbours: a fragment always stands
    // between them, so a placeholder can only lie within one piece.
    std::vector<Piece> pieces;
    pieces.push_back({std::string(templateText), false});

    for (const auto &r : replacements) {
        if (r.placeholder.empty())
            continue;
        std::size_t index = 0;
        std::size_t at = std::string::npos;
        for (; index < pieces.size(); ++index) {
            if (pieces[index].inserted)
                continue;
            at = pieces[index].text.find(r.placeholder);
            if (at != std::string::npos)
                break;
        }
        if (at == std::string::npos) {
            if (!r.fragment.empty())
                pieces.insert(pieces.begin(), Piece{r.fragment, true});
            continue;
        }
        std::string &text = pieces[index].text;
        if (r.fragment.empty()) {
            text.erase(at, r.placeholder.size());
            continue;
        }
        std::string after = text.substr(at + r.placeholder.size());
        text.resize(at);
        auto next = pieces.begin() + static_cast<std::ptrdiff_t>(index) + 1;
        next = pieces.insert(next, Piece{r.fragment, true});
        pieces.insert(next + 1, Piece{std::move(after), false});
    }

    std::size_t total = 0;
    for (const auto &p : pieces)
        total += p.text.size();
    std::string out;
    out.reserve(total);
    for (const auto &p : pieces)
        out += p.text;
    return out;
}

} // namespace quillon::generator
