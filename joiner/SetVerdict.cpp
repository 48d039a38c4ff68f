#include "joiner/SetVerdict.h"

#include "texts/JoinerTexts.h"

namespace portelan {

SetVerdict JudgeSet(const CConcatApp::SetCheck& check, std::int64_t recordSize)
{
    using State = CConcatApp::PieceState;
    SetVerdict verdict;
    // A piece the list does not name is vouched for only by the sum of all.
    const bool wholeVouches = check.wholeMatches.value_or(false);
    for (const CConcatApp::PieceCheck& piece : check.pieces) {
        PieceVerdict v = PieceVerdict::Intact;
        if (piece.state == State::Missing)
            v = PieceVerdict::Missing;
        else if (piece.state == State::Damaged || piece.state == State::Unreadable ||
                 piece.state == State::Empty)
            v = PieceVerdict::Damaged;
        else if (piece.state == State::Unlisted && !wholeVouches)
            v = PieceVerdict::Unchecked;
        verdict.pieces.push_back(v);
        switch (v) {
        case PieceVerdict::Intact:
            ++verdict.intact;
            break;
        case PieceVerdict::Damaged:
            ++verdict.damaged;
            break;
        case PieceVerdict::Unchecked:
            ++verdict.unchecked;
            break;
        case PieceVerdict::Missing:
            ++verdict.missing;
            break;
        }
    }
    verdict.sizeDiffers = verdict.missing == 0 && check.totalSize != recordSize;
    verdict.wholeDiffers = check.wholeMatches == false;
    verdict.sound = verdict.damaged == 0 && verdict.unchecked == 0 && verdict.missing == 0 &&
                    !verdict.sizeDiffers && !verdict.wholeDiffers;
    return verdict;
}

const char* PieceVerdictText(PieceVerdict verdict)
{
    JoinerText text = JoinerText::VerdictOk;
    switch (verdict) {
    case PieceVerdict::Damaged:
        text = JoinerText::VerdictDamaged;
        break;
    case PieceVerdict::Unchecked:
        text = JoinerText::VerdictUnchecked;
        break;
    case PieceVerdict::Missing:
        text = JoinerText::VerdictMissing;
        break;
    case PieceVerdict::Intact:
        break;
    }
    return Tr(text);
}

} // namespace portelan
