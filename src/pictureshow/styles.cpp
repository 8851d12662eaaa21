#include "pictureshow/styles.h"

#include "base/text.h"

namespace qel::pictureshow {
namespace {

struct StyleNames {
    std::string_view identifier;
    std::string_view displayName;
};

constexpr StyleNames kStyles[kStyleCount] = {
    {"seWipeLeft", "WipeLeft"},
    {"seWipeRight", "WipeRight"},
    {"seWipeUp", "WipeDown"},
    {"seWipeDown", "WipeUp"},
    {"seWipeBoxLT", "WipeBoxLeftTop"},
    {"seWipeBoxLB", "WipeBoxLeftBottom"},
    {"seWipeBoxRT", "WipeBoxRightTop"},
    {"seWipeBoxRB", "WipeBoxRightBottom"},
    {"seClockWise", "Anticlockwise Wipe"},
    {"seDeasil", "Deasil Wipe"},
    {"seBandWL", "BandWipeLeft"},
    {"seBandWR", "BandWipeRight"},
    {"seBandCrossH", "BandCrossH"},
    {"seBandWU", "BandWipeUp"},
    {"seBandWD", "BandWipeDown"},
    {"seBandCrossV", "BandCrossV"},
    {"seRoundOut", "RoundOut"},
    {"seRoundIn", "RoundIn"},
    {"seWipeTL", "WipeTopLeft"},
    {"seWipeBL", "WipeBottomLeft"},
    {"seWipeTR", "WipeTopRight"},
    {"seWipeBR", "WipeBottomRight"},
    {"seChessBoardH", "ChessBoard Left"},
    {"seChessBoardH2", "ChessBoard Right"},
    {"seChessBoardV", "ChessBoard Up"},
    {"seChessBoardV2", "ChessBoard Down"},
    {"seCrossOut", "CrossOut"},
    {"seCrossIn", "CrossIn"},
    {"seDiagOut", "DiagonalOut"},
    {"seDiagIn", "DiagonalIn"},
    {"seBoxOut", "BoxOut"},
    {"seBoxIn", "BoxIn"},
    {"seChordLeft", "ChordLeft"},
    {"seChordRight", "ChordRight"},
    {"seChordDown", "ChordDown"},
    {"seChordUp", "ChordUp"},
    {"seSectorUp", "SectorWipeUp"},
    {"seSectorDown", "SectorWipeDown"},
    {"seSectorLeft", "SectorWipeLeft"},
    {"seSectorRight", "SectorWipeRight"},
    {"seSplitH", "SplitH"},
    {"seSplitV", "SplitV"},
    {"seWinOpen", "WinOpen"},
    {"seWinClose", "WinClose"},
    {"seWinOpenH", "WinOpenH"},
    {"seWinCloseH", "WinCloseH"},
    {"seDissolve", "Dissolve"},
    {"seLDissolve", "Large Dissolve"},
    {"seTriangle", "Triangle"},
    {"seBlindHD", "BlindHDown"},
    {"seBlindVR", "BlindVRight"},
    {"seBlindHU", "BlindHUp"},
    {"seBlindVL", "BlindVLeft"},
    {"seXBlindHD", "XBlindHDown"},
    {"seXBlindVR", "XBlindVRight"},
    {"seXBlindHU", "XBlindHUp"},
    {"seXBlindVL", "XBlindVLeft"},
    {"seBoxZoomIn", "BoxZoomIn"},
    {"seBoxZoomOut", "BoxZoomOut"},
    {"seSweatOut", "Sweat Out Box"},
    {"seSweatIn", "Sweat In Box"},
    {"seRollLeft", "RollLeft"},
    {"seRollRight", "RollRight"},
    {"seRollUp", "RollUp"},
    {"seRollDown", "RollDown"},
    {"seWindmill", "Windmill"},
    {"seWindmill2", "Windmill2"},
    {"seArcDown", "ArcDown"},
    {"seArcUp", "ArcUp"},
    {"seArcRight", "ArcRight"},
    {"seArcLeft", "ArcLeft"},
    {"seSwarmWL", "SwarmWipeLeft"},
    {"seSwarmWR", "SwarmWipeRight"},
    {"seSwarmWU", "SwarmWipeUp"},
    {"seSwarmWD", "SwarmWipeDown"},
    {"seCrossWLT", "CrossWipeLeftTop"},
    {"seCrossWRT", "CrossWipeRightTop"},
    {"seCrossWLB", "CrossWipeLeftBottom"},
    {"seCrossWRB", "CrossWipeRightBottom"},
    {"seCross1", "OnCross1"},
    {"seCross2", "OnCross2"},
    {"seRandomLeft", "RandomLeft"},
    {"seRandomRight", "RandomRight"},
    {"seRandomOpen", "RandomOpen"},
    {"seRandomClose", "RandomClose"},
    {"seRandomBoxIn", "RandomBoxIn"},
    {"seRandomBoxOut", "RandomBoxOut"},
    {"seArcLt", "ArcLeftTop"},
    {"seArcRT", "ArcRightTop"},
    {"seArcLB", "ArcLeftBottom"},
    {"seArcRB", "ArcRightBottom"},
    {"seFade", "Fade In/Out"},
};

}  // namespace

std::string_view StyleIdentifier(int style)
{
    return style >= 0 && style < kStyleCount ? kStyles[style].identifier : std::string_view{};
}

std::string_view StyleDisplayName(int style)
{
    return style >= 0 && style < kStyleCount ? kStyles[style].displayName : std::string_view{};
}

std::optional<int> FindStyleByName(std::string_view text)
{
    for (int i = 0; i < kStyleCount; ++i) {
        if (base::SameText(kStyles[i].displayName, text))
            return i;
    }
    return std::nullopt;
}

}  // namespace qel::pictureshow
