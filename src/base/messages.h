// Every user-visible message of the program in English and Japanese, and the
// process-wide language switch that picks one (English when the message file
// "morvex.mes" was found at start-up).
#pragma once

#include <string_view>

namespace morvex {

inline constexpr std::string_view kMessageCaption = "MORVEX2000";
inline constexpr std::string_view kProgramTitle = "MORVEX2000";

enum class MsgId {
    // Definition files edited on disk while the program runs.
    TtlUpdated,
    TtlNotFound,
    AtlUpdated,
    AtlNotFound,
    CtlUpdated,
    CtlNotFound,
    MtlUpdated,
    MtlNotFound,
    // Window title pieces.
    TitleNotSelected,
    TitlePenColor,
    TitleCutColor,
    TitleSkip,
    TitleOffsetAlarm,
    TitleInterference,
    TitleStop,
    TitlePauseTail,
    // Status area and point queries.
    NotCut,
    NcDataLabel,
    NcNotSelectedLabel,
    // Measurements with the mouse and the NC search.
    SearchHitLabel,
    WatchSet,
    WatchCleared,
    PickLineEnd,
    PickPlanePoint,
    PointsOnALine,
    PointTooClose,
    LineDistanceLabel,
    PlanDistanceLabel,
    PlaneDistanceLabel,
    PlaneTiltLabel,
    SectionTitle,
    SectionLength,
    // Commands.
    PleaseLoadWork,
    PitchReflected,
    NcDataNotExist,
    NcDataNotExistLog,
    ProgramSideFolder,
    // Start-up, command line and settings.
    SettingsNotWritten,
    UnknownOption,
    MissingOptionValue,
    BadOptionValue,
    LinkNotResolved,
    NcProgramNotOpened,
    NoDisplay,
    DesktopModuleNotLoaded,
    AutoRunNotAvailable,
    NcProgramNotGiven,
    AutoRunVariantUnknown,
    SelfNotStarted,
    // Work model: box definition, pitch and allocation.
    ReversedX,
    ReversedY,
    ReversedZ,
    WorkNotFinite,
    PitchNotPositive,
    WarningTitle,
    MemoryOver,
    WorkSizeTitle,
    // Tool shape names and the absent tool.
    ShapeOther,
    ShapeBall,
    ShapeFlat,
    ShapeBull,
    ShapeTaperBall,
    ShapeVertical,
    ShapeOval,
    ShapeOvalR,
    ShapeTThrow,
    ShapeRadius,
    ShapeKegaki,
    NoTool,
    // DMF work file: save failures and refused files.
    DmfWriteError,
    DmfDiskOverTitle,
    DmfResourceOver,
    DmfResourceOverTitle,
    DmfNotOpened,
    DmfBadMagic,
    DmfBadGrid,
    DmfBadLength,
    DmfReadFailed,
    // STL models: refused files.
    StlNotOpened,
    StlEmpty,
    StlBadCount,
    StlBadNumber,
    StlNoFacets,
    StlReadFailed,
    // Unattended work operations.
    OffsetValueMissing,
    OffsetTooLarge,
    WorkModifyLetter,
    OperationNeedsOutput,
    BasicModelMissing,
    // Difference to the basic model.
    DifferenceFileNotFound,
    DifferencePositions,
    DifferenceSizes,
    DifferencePitches,
    PenOutOfRange,
    ThinCountTooSmall,
    ThinCountTitle,
    XyzCutEmpty,
    StatusOffset,
    StatusDifference,
    StatusZValue,
    StatusMinMax,
    StatusBasicZ,
    StatusMergeZ,
    StatusSetZ,
    // Unattended cutting runs.
    NcDataMissing,
    OutputFormatNotAvailable,
    WorkFormatNotAvailable,
    WorkDefinitionNumbers,
    OutputNotWritten,
    ResultNotWritten,
    StatusCutting,
    RunFinished,
    RunEnded,
    RunSummaryCounts,
    RunAlarmLine,
    WaitingForFile,
    SyncNotOpened,
    SyncPartnerMissing,
    SyncGroupStopped,
    SyncFollowing,
    WaitFileDeleted,
    WaitFileKeptOutside,
    WaitFileKeptNotRegular,
    ReportNotAvailable,
    WriteProtect,
    OptimizedNotWritten,
    OptimizedNotWrittenAborted,
    OutputWouldReplaceNc,
    ImageNotWritten,
    DetailDisplay,
    DetailDisplayCaption,
    CannotPrintRaster,
    ErrorCaption,
    UpdateWorkQuestion,
    OptimumWorkQuestion,
    VolumeTitle,
    VolumeMm,
    VolumeM3,
    VolumeSigns,
    VolumeNeedsBackup,
    PenToStrip,
    CtlNotWritten,
    RateOutOfRange,
    HandToolValues,
    // Save dialogs and the fields of the setting dialogs.
    FieldNotNumber,
    PitchBelowMinimum,
    FileSaved,
    EditorNotStarted,
    HelpNotFound,
    HelpNotOpened,
    VersionText,
    Count
};

// Text of a message in the current language (UTF-8).
std::string_view Msg(MsgId id);
std::string_view MsgIn(MsgId id, bool english);

void SetEnglish(bool english);
bool IsEnglish();

}  // namespace morvex
