// The main menu's layout and Japanese texts.
#include "resources/menu_table.h"

#include "resources/command_ids.h"

namespace morvex {
namespace {

MenuItem Item(int id, const char* text) { return MenuItem{MenuItemKind::Command, id, text, {}, false}; }
MenuItem Radio(int id, const char* text) { return MenuItem{MenuItemKind::Command, id, text, {}, true}; }
// Items of this program beyond the classic menu: a message file written for
// that menu does not know them, so they keep their own texts.
MenuItem Own(int id, const char* text) { return MenuItem{MenuItemKind::Command, id, text, {}, false, true}; }
MenuItem Separator() { return MenuItem{MenuItemKind::Separator, 0, {}, {}, false}; }
MenuItem Submenu(const char* text, std::vector<MenuItem> items) {
    return MenuItem{MenuItemKind::Submenu, 0, text, std::move(items), false};
}

const MenuItem* FindIn(const std::vector<MenuItem>& items, int id) {
    for (const MenuItem& item : items) {
        if (item.kind == MenuItemKind::Command && item.id == id) return &item;
        if (item.kind == MenuItemKind::Submenu) {
            if (const MenuItem* found = FindIn(item.items, id)) return found;
        }
    }
    return nullptr;
}

}  // namespace

MenuBarDef DefaultMenuBar() {
    using namespace cmd;
    MenuBarDef menu;
    menu.push_back({"NCデータ(&N)",
                    {Item(kSelectNc, "選択（&S）"),
                     Item(kSelectNcDefineWork, "選択して最適被切削材定義(&W)"),
                     Item(kReport, "帳票出力（&V）"), Own(kCheckData, "データチェック(&C)"),
                     Own(kCheckMinMax, "最大最小チェック(&M)"), Separator(),
                     Item(kEditor, "エディター編集(&E)"), Separator(), Item(kExit, "終了（&X）")}});
    // Positions 0-3 and 7-12 are locked while a run is active.
    menu.push_back({"被切削材(&W)",
                    {Item(kLoadWork, "DMF,STL,,,読み込み(&L)"),
                     Item(kLoadWorkTilt, "DMF,STL,,, → 軸振り(&R)"),
                     Item(kLoadWorkFlip, "DMF,STL,,, → 反転/プレス(&H)"),
                     Item(kDefineWorkTwoPoints, "２点指示定義(&D)"),
                     Item(kSaveWork, "DMF,STL,VRML,,,保存(&S)"), Separator(),
                     Item(kRemovalVolume, "除去体積算出(&V)"), Item(kMergeWork, "マージ(&G)"),
                     Item(kRotateMirrorWork, "回転／ミラー(&K)"), Item(kMoveWork, "移動(&M)"),
                     Item(kOffsetWork, "オフセット(&O)"), Item(kCutWorkXyz, "XYZ値カット(&Z)"),
                     Item(kThinWork, "間引き(&T)"), Separator(),
                     Item(kPaintAll, "ペンキの全面塗り(&A)"), Item(kStripPaint, "ペンキをはがす(&C)"),
                     Item(kStripPen, "ペンの色をはがす(&E)"),
                     Item(kHighlightPen, "ペン/ペンキの強調表示(&X)"), Separator(),
                     Item(kBasicModel, "基準形状指定(&B)"), Item(kDifferencePaint, "差分塗り(&F)"),
                     Separator(), Item(kPrint, "印刷(&P)"), Item(kSaveImage, "画像保存(&I)")}});
    // Position 19 (the work coordinate editor) is locked while a run is active.
    menu.push_back(
        {"加工(&M)",
         {Item(kRunReal, "実加工(&R)"), Item(kRunSkip, "スキップ加工(&S)"),
          Item(kRunResult, "加工して結果表示(&T or F5キー)"),
          Item(kRunFastSkip, "高速版／スキップ加工(&P)"),
          Item(kRunFastResult, "高速版／加工して結果表示(&F or F7キー)"), Separator(),
          Item(kToolTipPath, "工具先端パス表示(&D or F6キー)"),
          Item(kCommandPointPath, "指令点パス表示(&E)"), Separator(),
          Item(kOptionalBlockSkip, "オプショナルブロックスキップ設定(&B)"),
          Submenu("停止モード(&T)",
                  {Radio(kStopModeFirst + 0, "ノンストップ(&N)"),
                   Radio(kStopModeFirst + 1, "M00停止(&M)　通常モード"),
                   Radio(kStopModeFirst + 2, "M01も停止(&O) ｵﾌﾟｼｮﾅﾙｽﾄｯﾌﾟ"),
                   Radio(kStopModeFirst + 3, "シングルブロック(&S)"),
                   Radio(kStopModeFirst + 4, "指定位置で停止(&D) CTLファイルで定義")}),
          Submenu("早送り干渉チェック(&G)",
                  {Radio(kRapidCheckNo, "しない/強行切削(&N)"),
                   Radio(kRapidCheckAbort, "する/干渉時中断(&Y）"),
                   Radio(kRapidCheckPause, "する/干渉時一時停止(&S)")}),
          Submenu("保持具干渉チェック(&A)",
                  {Radio(kArborIgnore, "しない/保持具の定義無視(&N)"),
                   Radio(kArborRequired, "しない/必要な突き出し長算出(&O) - 高速版では無効"),
                   Radio(kArborCut, "しない/保持具形状で強行切削(&C) - 高速版では一部対応"),
                   Radio(kArborAbort, "する/干渉時中断(&Y) - 高速版では一部対応"),
                   Radio(kArborPause, "する/干渉時一時停止(&S) - 高速版では一部対応")}),
          Submenu("有効刃長チェック(&L)",
                  {Radio(kLengthNo, "しない/強行切削(&N)"),
                   Radio(kLengthRequired, "しない/強行切削/必要な有効刃長算出(&O) - 高速版では無効"),
                   Radio(kLengthAbort, "する/干渉時中断(&Y) - 高速版では一部対応"),
                   Radio(kLengthPause, "する/干渉時一時停止(&S) - 高速版では一部対応")}),
          Submenu("チップ幅チェック(&C)",
                  {Radio(kChipNo, "しない/強行切削(&N)"),
                   Radio(kChipRequired,
                         "しない/強行切削/必要なチップ幅or高さ算出(&O) - 高速版では無効"),
                   Radio(kChipAbort, "する/干渉時中断(&Y) - 高速版では一部対応"),
                   Radio(kChipPause, "する/干渉時一時停止(&S) - 高速版では一部対応")}),
          Separator(), Item(kControlPoint, "制御点座標値設定(&X)."),
          Item(kRadiusOffsets, "工具径補正値設定(&K)"), Item(kLengthOffsets, "工具長補正値設定(&L)"),
          Item(kWorkCoordinates, "ワーク座標系設定(&W)"), Separator(),
          Item(kRunOptimizedNc, "加工＆最適化NC出力(&O)")}});
    menu.push_back({"設定ファイル(&F)",
                    {Item(kChooseToolTable, "工具設定ファイルの指定(&T or F2キー)"),
                     Item(kChooseController, "コントローラー定義ファイルの指定(&C or F3キー)"),
                     Item(kChooseMachine, "機械定義ファイルの指定(&M or F4キー)")}});
    menu.push_back(
        {"表示(&D)",
         {Item(kViewPanel, "コマンドメニュー表示(&M)"), Item(kToolDisplay, "工具表示(&T)"),
          Item(kToolDialog, "工具表示ダイアログ表示(&C)"),
          Item(kBasicAxis, "座標軸／スタート点表示(&O)"),
          Item(kProgressBar, "進行状況(プログレスバー)表示(&B)"),
          Item(kBoundaryBox, "バウンダリーボックスの表示(&X)"), Separator(),
          Item(kPathStart, "加工時のパス表示(&D)"), Item(kPathResult, "結果表示時のパス表示(&P)"),
          Item(kConstructionPoint, "パスの構成点表示(&C)"), Separator(),
          Item(kTargetArea, "被切削材変色域の指定(&A)"), Item(kColors, "色の設定(&W)"),
          Submenu("色分け(&K)", {Radio(kColorByPen, "切削工具別/PEN1～7(&P)"),
                                 Radio(kColorByDirection, "切削方向別/ｱｯﾌﾟ,ﾀﾞｳﾝ,垂直(&C)")}),
          Item(kMeshMode, "メッシュ表示(&H) - 高速"),
          Item(kOptimizeDrawing, "表示精度最適化(&N) - 高速"),
          Submenu("差分表示(&F)", {Radio(kDifferenceTemporary, "一時表示(&T)"),
                                   Radio(kDifferenceAlways, "常時表示(&A)")}),
          Separator(), Item(kResizeBehaviour, "画面サイズ変更時のサイズ調整(&R)"),
          Item(kExpandRate, "拡大縮小率の設定(&E)")}});
    menu.push_back(
        {"環境(&E)",
         {Item(kSound, "音の出力(&S)"), Item(kPitch, "ピッチ（精度）指定(&P)"),
          Item(kToolParameters, "道具パラメータ設定(&T)"),
          Submenu("保存レベル(&L)", {Radio(kSaveLevelBase + 1, "レベル&1：形状のみ"),
                                     Radio(kSaveLevelBase + 2, "レベル&2：ペンキ,ペン,切削方向含む"),
                                     Radio(kSaveLevelBase + 3, "レベル&3：切削行番号含む")}),
          Submenu("データ保持レベル(&D)",
                  {Radio(kDataLevelFirst + 0, "&1：「C」ｷｰ(ﾊﾞｯｸｱｯﾌﾟ)有効,NC検索可能"),
                   Radio(kDataLevelFirst + 1, "&2：「C」ｷｰ(ﾊﾞｯｸｱｯﾌﾟ)有効,NC検索不能"),
                   Radio(kDataLevelFirst + 2, "&3：「C」ｷｰ無効,NC検索可能"),
                   Radio(kDataLevelFirst + 3, "&4：「C」ｷｰ無効,NC検索不能(消費ﾒﾓﾘ50%減)")}),
          Separator(), Item(kStartupState, "起動時の状態設定(&I)")}});
    menu.push_back({"出力(&O)", {Item(kWriteNcData, "NCデータ出力(&O)")}});
    menu.push_back({"ヘルプ(&H)",
                    {Item(kHelp, "ヘルプ(&H or F1キー)"), Item(kHomePage, "ホームページへ(&G)"),
                     Separator(), Item(kVersion, "ﾊﾞｰｼﾞｮﾝ/環境情報(&A)")}});
    return menu;
}

const char* OwnItemEnglishText(int id) {
    switch (id) {
    case cmd::kCheckData: return "Check &Data";
    case cmd::kCheckMinMax: return "Check &Min-Max";
    default: return "";
    }
}

const MenuItem* FindMenuItem(const MenuBarDef& menu, int id) {
    for (const MenuPopup& popup : menu) {
        if (const MenuItem* found = FindIn(popup.items, id)) return found;
    }
    return nullptr;
}

}  // namespace morvex
