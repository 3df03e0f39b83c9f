// The message table. The language switch is the one mutable global of the
// program: it is set once at start-up, before any message is shown.
#include "base/messages.h"

#include <array>
#include <atomic>

namespace morvex {
namespace {

struct MessageText {
    MsgId id;
    std::string_view english;
    std::string_view japanese;
};

constexpr std::array<MessageText, static_cast<std::size_t>(MsgId::Count)> kMessages = {{
    {MsgId::TtlUpdated, "Because the TTL-file has been update, it reads.",
     "工具設定ファイルが更新されているので読み込みます。"},
    {MsgId::TtlNotFound, "The TTL-file is not found.", "工具設定ファイルが見つかりません。"},
    {MsgId::AtlUpdated, "Because the ATL-file has been update, it reads.",
     "アーバー定義ファイルが更新されているので読み込みます。"},
    {MsgId::AtlNotFound, "The ATL-file is not found.", "アーバー定義ファイルが見つかりません。"},
    {MsgId::CtlUpdated, "Because the CTL-file has been update, it reads.",
     "コントローラー定義ファイルが更新されているので読み込みます。"},
    {MsgId::CtlNotFound, "The CTL-file is not found.", "コントローラー定義ファイルが見つかりません。"},
    {MsgId::MtlUpdated, "Because the MTL-file has been update, it reads.",
     "機械定義ファイルが更新されているので読み込みます。"},
    {MsgId::MtlNotFound, "The MTL-file is not found.", "機械定義ファイルが見つかりません。"},
    {MsgId::TitleNotSelected, "Not Selected", "NCデータ未選択"},
    {MsgId::TitlePenColor, " Pen Color", " ペン色"},
    {MsgId::TitleCutColor, " Cut Color", " 方向色"},
    {MsgId::TitleSkip, "/Skip:", "/粗さ:"},
    {MsgId::TitleOffsetAlarm, "OFFSET ALARM", "OFFSET ALARM"},
    {MsgId::TitleInterference, "INTERFERENCE", "干渉"},
    {MsgId::TitleStop, "STOP", "停止中"},
    {MsgId::TitlePauseTail, "! (G or ESC)", "! (G or ESC)"},
    {MsgId::NotCut, "Not Cut", "そこは選択中のNCデータで切削されていません"},
    {MsgId::NcDataLabel, "\tNcdata\t", "\tNCﾃﾞｰﾀ\t"},
    {MsgId::NcNotSelectedLabel, "- Not Selected -", "- 未選択 -"},
    {MsgId::SearchHitLabel, "NC search - cut by ", "NCサーチ - 切削したのは "},
    {MsgId::WatchSet, "NC search: watching ", "NCサーチ: 監視点 "},
    {MsgId::WatchCleared, "NC search: no point watched", "NCサーチ: 監視点を解除しました"},
    {MsgId::PickLineEnd, "Pick the end of the line.", "線の終点を指定して下さい。"},
    {MsgId::PickPlanePoint, "Pick the next point of the plane.", "面の次の点を指定して下さい。"},
    {MsgId::PointsOnALine, "The points lie on a line: pick another point.",
     "点が一直線上にあります。別の点を指定して下さい。"},
    {MsgId::PointTooClose, "Pick a point apart from the first.", "最初の点から離れた点を指定して下さい。"},
    {MsgId::LineDistanceLabel, "Distance to the line:", "線までの距離:"},
    {MsgId::PlanDistanceLabel, "in plan:", "平面図上:"},
    {MsgId::PlaneDistanceLabel, "Distance to the plane:", "面までの距離:"},
    {MsgId::PlaneTiltLabel, "Plane tilt:", "面の傾き:"},
    {MsgId::SectionTitle, "Section", "断面"},
    {MsgId::SectionLength, "Length:", "長さ:"},
    {MsgId::PleaseLoadWork, "Please Load Work.", "被切削材をLOADして下さい"},
    {MsgId::PitchReflected, "Work pitch is reflected, When redefining work.",
     "被切削材の精度は、再定義時に反映されます。"},
    {MsgId::NcDataNotExist, "The NC data does not exist.", "NCデータが存在しません"},
    {MsgId::NcDataNotExistLog, " - The NC data does not exist.\n", " - NCデータが存在しません\n"},
    {MsgId::ProgramSideFolder, "Is the one of the program side folder acceptable?",
     "プログラム側ディレクトリのものでもよいですか？"},
    {MsgId::SettingsNotWritten, "The settings file could not be written: ",
     "設定ファイルに書き込めませんでした: "},
    {MsgId::UnknownOption, "Unknown option: ", "不明なオプション: "},
    {MsgId::MissingOptionValue, "The option needs a value: ", "オプションに値がありません: "},
    {MsgId::BadOptionValue, "The option value cannot be used: ", "オプションの値が使えません: "},
    {MsgId::LinkNotResolved, "The shortcut cannot be resolved: ", "ショートカットを解決できません: "},
    {MsgId::NcProgramNotOpened, "The NC program cannot be opened: ", "NCデータを開けません: "},
    {MsgId::NoDisplay,
     "No display is available: the desktop program needs one (set DISPLAY, or use an "
     "unattended option).",
     "ディスプレイがありません: デスクトップ画面を開けません (DISPLAY を設定するか無人運転の"
     "オプションを使って下さい)。"},
    {MsgId::DesktopModuleNotLoaded, "The window part of the program cannot be loaded: ",
     "プログラムの画面部分を読み込めません: "},
    {MsgId::AutoRunNotAvailable, "Automatic runs are not available in this version.",
     "この版では自動運転は使えません。"},
    {MsgId::NcProgramNotGiven, "No NC program was given.", "NCデータが指定されていません。"},
    {MsgId::AutoRunVariantUnknown, "This letter selects nothing in the automatic run: ",
     "この文字は自動運転の指定になりません: "},
    {MsgId::SelfNotStarted, "Another MORVEX2000 could not be started.", "MORVEX2000をもう一つ起動できません。"},
    // Work model: box definition, pitch and allocation.
    {MsgId::ReversedX, "The maximum and the minimum of X value are reversed.",
     "X値の最大最小が逆転しています"},
    {MsgId::ReversedY, "The maximum and the minimum of Y value are reversed.",
     "Y値の最大最小が逆転しています"},
    {MsgId::ReversedZ, "The maximum and the minimum of Z value are reversed.",
     "Z値の最大最小が逆転しています"},
    {MsgId::WorkNotFinite, "The work size or the pitch is not a number.",
     "被切削材の寸法またはピッチが数値ではありません。"},
    {MsgId::PitchNotPositive, "The pitch is 0.0 or less.", "ピッチが0.0以下になっています。"},
    {MsgId::WarningTitle, "Warning", "警告"},
    {MsgId::MemoryOver, "Memory over! Try again!", "メモリが不足しています。やり直して下さい。"},
    {MsgId::WorkSizeTitle, "Work Size", "被切削材サイズ"},
    // Tool shape names and the absent tool.
    {MsgId::ShapeOther, "Other Tool", "その他の工具"},
    {MsgId::ShapeBall, "Ball End mill", "ボールエンドミル"},
    {MsgId::ShapeFlat, "Flat End mill", "フラットエンドミル"},
    {MsgId::ShapeBull, "Bull End mill", "ブルエンドミル"},
    {MsgId::ShapeTaperBall, "Taper Ball End mill", "テーパーボールエンドミル"},
    {MsgId::ShapeVertical, "Vertical Mill", "バーティカルミル"},
    {MsgId::ShapeOval, "Oval Mill", "オーバルミル"},
    {MsgId::ShapeOvalR, "Oval-R Mill", "複合楕円ミル"},
    {MsgId::ShapeTThrow, "T-Throw", "Tスロー"},
    {MsgId::ShapeRadius, "Radius Mill", "ラジアスミル"},
    {MsgId::ShapeKegaki, "Kegaki Tool", "ケガキ工具"},
    {MsgId::NoTool, "No Tool", "工具無し"},
    // DMF work file: save failures and refused files.
    {MsgId::DmfWriteError, "Write Error", "書き込みエラー"},
    {MsgId::DmfDiskOverTitle, "Disk Over?", "ディスク容量不足?"},
    {MsgId::DmfResourceOver, "Please close some applications and try again!",
     "他のアプリケーションを終了してからやり直して下さい。"},
    {MsgId::DmfResourceOverTitle, "Resource Over!", "リソース不足"},
    {MsgId::DmfNotOpened, "The work file cannot be opened.", "被切削材ファイルを開けません。"},
    {MsgId::DmfBadMagic, "The file is not a DMF work file.", "DMF被切削材ファイルではありません。"},
    {MsgId::DmfBadGrid, "The DMF work file has an unusable grid (node counts, pitch or position).",
     "DMF被切削材ファイルの格子(点数・ピッチ・位置)が使えません。"},
    {MsgId::DmfBadLength, "The DMF work file is not as long as its header says (truncated or damaged).",
     "DMF被切削材ファイルの長さがヘッダと合いません(途中で切れているか壊れています)。"},
    {MsgId::DmfReadFailed, "The DMF work file could not be read to its end.",
     "DMF被切削材ファイルを最後まで読めませんでした。"},
    {MsgId::StlNotOpened, "The STL file cannot be opened: ", "STLファイルを開けません: "},
    {MsgId::StlEmpty, "The STL file is empty: ", "STLファイルが空です: "},
    {MsgId::StlBadCount,
     "The binary STL file's facet count does not match its length (truncated or damaged): ",
     "バイナリSTLファイルの面数がファイルの長さと合いません(途中で切れているか壊れています): "},
    {MsgId::StlBadNumber, "The STL file holds a coordinate that is not a finite number: ",
     "STLファイルに有限の数値でない座標があります: "},
    {MsgId::StlNoFacets, "The STL file holds no facets: ", "STLファイルに面がありません: "},
    {MsgId::StlReadFailed, "The STL file could not be read to its end: ",
     "STLファイルを最後まで読めませんでした: "},
    {MsgId::OffsetValueMissing, "The offset needs its value, as in /XO N,1.5: /XO ",
     "オフセットには値が必要です(例 /XO N,1.5): /XO "},
    {MsgId::OffsetTooLarge, "The offset value is too large for this work and pitch.",
     "オフセット値がこの被切削材とピッチには大き過ぎます。"},
    {MsgId::WorkModifyLetter, "Unknown letter of /XM (R, L, U, X, Y, F, G): ",
     "/XMの文字が不明です(R, L, U, X, Y, F, G): "},
    {MsgId::OperationNeedsOutput, "A work operation of the command line needs the output work file (/O).",
     "コマンドラインの被切削材操作には出力ファイル(/O)が必要です。"},
    {MsgId::BasicModelMissing, "No basic model is given (/K file or BASIC MODEL).",
     "基準形状が指定されていません(/K ファイル または BASIC MODEL)。"},
    {MsgId::DifferenceFileNotFound, "File is not found.", "ファイルが存在しません"},
    {MsgId::DifferencePositions, "Positions differ.", "位置が異なります"},
    {MsgId::DifferenceSizes, "Sizes differ.", "サイズが異なります"},
    {MsgId::DifferencePitches, "Work Pitches differ.", "精度が異なります"},
    {MsgId::PenOutOfRange, "Pen No = 1-7", "Pen No = 1-7"},
    {MsgId::ThinCountTooSmall, "Set a value of 2 or more.", "2以上の値を設定して下さい。"},
    {MsgId::ThinCountTitle, "Thin Count Error", "間引き数エラー"},
    {MsgId::XyzCutEmpty, "The X and Y range holds less than two nodes in X or Y.",
     "XとYの範囲に、XまたはYの格子点が2点以上ありません。"},
    {MsgId::StatusOffset, "Offset", "オフセット"},
    {MsgId::StatusDifference, "Checking of Difference", "差分計算中"},
    {MsgId::StatusZValue, "Calculating Z-Value", "Z値算出"},
    {MsgId::StatusMinMax, "Checking Min-Max", "最大最小チェック"},
    {MsgId::StatusBasicZ, "Calculating Basic Z-Value", "基準Z値算出"},
    {MsgId::StatusMergeZ, "Calculating Merge Z-Value", "マージZ値算出"},
    {MsgId::StatusSetZ, "Set Z-Value", "Z値設定"},
    {MsgId::NcDataMissing, " - The NC data does not exist.\n", " - NCデータが存在しません\n"},
    {MsgId::OutputFormatNotAvailable, "This version writes the output work only as a DMF, STL or VRML file: ",
     "この版では出力ワークはDMF、STL、VRMLファイルだけです: "},
    {MsgId::WorkFormatNotAvailable, "This version loads only DMF and STL work files: ",
     "この版で読み込めるワークはDMFファイルとSTLファイルだけです: "},
    {MsgId::WorkDefinitionNumbers, "/DX needs six numbers: (xmin,ymin,zmin,xmax,ymax,zmax).",
     "/DXには6個の数値が必要です: (xmin,ymin,zmin,xmax,ymax,zmax)"},
    {MsgId::OutputNotWritten, "The output work file could not be written: ",
     "出力ワークファイルを書き込めません: "},
    {MsgId::ResultNotWritten, "The result could not be written to the standard output",
     "結果を標準出力に書き込めません"},
    {MsgId::StatusCutting, "Cutting", "加工中"},
    {MsgId::RunFinished, "Finished", "加工終了"},
    {MsgId::RunEnded, "Ended before the program's end", "途中で終了"},
    {MsgId::RunSummaryCounts, "%lld motions, machining time %s", "動作 %lld, 加工時間 %s"},
    {MsgId::RunAlarmLine, " (line %d)", " (%d行目)"},
    {MsgId::WaitingForFile, "Waiting until this file is deleted: ", "このファイルが削除されるまで待っています: "},
    {MsgId::SyncNotOpened, "The synchronisation is off: ", "同期を行いません: "},
    {MsgId::SyncPartnerMissing,
     "A synchronised instance did not arrive within %d seconds (ended or not started). The run is ended.",
     "同期中の他のプログラムが%d秒以内に到着しませんでした（終了したか、起動していません）。加工を中止します。"},
    {MsgId::SyncGroupStopped, "The synchronised group was stopped.", "同期グループが停止されました。"},
    {MsgId::SyncFollowing, "Followed run: line %d  X%.3f Y%.3f Z%.3f", "追従中: %d行目  X%.3f Y%.3f Z%.3f"},
    {MsgId::WaitFileDeleted, "A wait file left from an earlier run was deleted: ",
     "前回の待ちファイルを削除しました: "},
    {MsgId::WaitFileKeptOutside,
     "A wait file was not deleted: it lies outside the folder of the controller file, the NC folder "
     "and the temporary folder: ",
     "待ちファイルを削除しませんでした。制御装置定義ファイルのフォルダ、NCフォルダ、一時フォルダの外にあります: "},
    {MsgId::WaitFileKeptNotRegular,
     "A wait file was not deleted: it is not a plain file (a folder, a symbolic link or a device): ",
     "待ちファイルを削除しませんでした。通常のファイルではありません（フォルダ、シンボリックリンク、デバイス）: "},
    {MsgId::ReportNotAvailable, "The cutting-information report is not available in this version; the cut goes on.",
     "この版では加工情報レポートは使えません。加工は続けます。"},
    {MsgId::WriteProtect, "Write protect", "書き込み保護されています"},
    {MsgId::OptimizedNotWritten, "The optimised NC or cut data could not be written: ",
     "最適化NCまたは切削データを書き込めません: "},
    {MsgId::OptimizedNotWrittenAborted,
     "The run did not reach the end of the program, so no optimised NC was written: ",
     "加工がプログラムの最後まで進まなかったため、最適化NCは出力していません: "},
    {MsgId::OutputWouldReplaceNc, "Not written, as it would replace the NC program: ",
     "NCデータを上書きするため出力しません: "},
    {MsgId::ImageNotWritten, "The picture could not be written: ", "画像を書き込めません: "},
    {MsgId::DetailDisplay, "Detail Display?", "精度を上げても良いですか？"},
    {MsgId::DetailDisplayCaption, "Skip Displaying", "現在表示が間引かれています"},
    // The printer's message exists in English only.
    {MsgId::CannotPrintRaster, "Cannot Print Raster Images", "Cannot Print Raster Images"},
    {MsgId::ErrorCaption, "Error", "Error"},
    {MsgId::UpdateWorkQuestion, "Do you update the work?", "被切削材を更新してよいですね？"},
    {MsgId::OptimumWorkQuestion, "Is the most suitable work set?", "最適な被切削材をセットしますか？"},
    {MsgId::VolumeTitle, "Cutting Volume", "除去体積"},
    {MsgId::VolumeMm, "Volume:\n%ld (Cubic mm)", "Volume:\n%ld (立方mm)"},
    {MsgId::VolumeM3, "Volume:\n%f (Cubic m)", "Volume:\n%f (立方m)"},
    {MsgId::VolumeSigns, "+ :Increase\n- :Decrease", "+ :増加\n- :減少"},
    {MsgId::VolumeNeedsBackup,
     "The removed volume needs the work from before the run: data holding level 1 or 2.",
     "除去体積には加工前の被切削材が必要です: データ保持レベル1または2にして下さい。"},
    {MsgId::PenToStrip, "Pen to strip (1-7, 8 every pen):", "はがすペン (1～7, 8は全て):"},
    {MsgId::CtlNotWritten, "The controller definition could not be written: ",
     "コントローラー定義ファイルに書き込めません: "},
    {MsgId::RateOutOfRange, "The rate must be above 1 and at most 1000.", "倍率は1より大きく1000以下にして下さい。"},
    {MsgId::HandToolValues, "Heights, depths and widths must be 0 or more, pens 0 to 7.",
     "高さ・深さ・幅は0以上、ペンは0～7にして下さい。"},
    {MsgId::FieldNotNumber, "This field does not hold a number: ", "数値ではない欄があります: "},
    {MsgId::PitchBelowMinimum, "The work pitch is smaller than the minimum pitch: ",
     "被切削材ピッチが最小ピッチより小さくなっています: "},
    {MsgId::FileSaved, "Saved: ", "保存しました: "},
    {MsgId::EditorNotStarted, "The editor or viewer could not be started.", "エディターまたはビューアーを起動できません。"},
    {MsgId::HelpNotFound, "The user guide was not found:\n", "ヘルプファイルが見つかりません:\n"},
    {MsgId::HelpNotOpened, "No web browser could be started for the user guide. Open this file in a browser:\n",
     "ヘルプを表示するブラウザーを起動できません。次のファイルをブラウザーで開いて下さい:\n"},
    {MsgId::VersionText, "MORVEX2000 version %s\nProcessors: %d\nWord size: %d bits\nSystem: %s",
     "MORVEX2000 バージョン %s\nプロセッサ数: %d\nワードサイズ: %d ビット\nシステム: %s"},
}};

constexpr bool TableInOrder() {
    for (std::size_t i = 0; i < kMessages.size(); ++i) {
        if (static_cast<std::size_t>(kMessages[i].id) != i) return false;
    }
    return true;
}
static_assert(TableInOrder(), "message table rows must follow the MsgId order");

std::atomic<bool> gEnglish{false};

}  // namespace

std::string_view MsgIn(MsgId id, bool english) {
    const auto index = static_cast<std::size_t>(id);
    if (index >= kMessages.size()) return {};
    return english ? kMessages[index].english : kMessages[index].japanese;
}

std::string_view Msg(MsgId id) { return MsgIn(id, IsEnglish()); }

void SetEnglish(bool english) { gEnglish.store(english, std::memory_order_relaxed); }

bool IsEnglish() { return gEnglish.load(std::memory_order_relaxed); }

}  // namespace morvex
