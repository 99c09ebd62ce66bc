#pragma once
// The ids of the dialog templates and of the controls the program
// addresses in them, each declared once. OK and Cancel are idOk and
// idCancel of the window services. A control that several dialogs share
// (the stop criterion, the run settings, the output files) has one id in
// all of them.

namespace tallyfold {

// Dialog templates.
inline constexpr int dialogCalculation = 101;
inline constexpr int dialogSimulation = 102;
inline constexpr int dialogComponentCount = 103;
inline constexpr int dialogComponent = 104;
inline constexpr int dialogBootstrap = 105;
inline constexpr int dialogPoissonGamma = 107;
inline constexpr int dialogRandomSeed = 110;

// Dialog 101: the calculation settings.
inline constexpr int idCalcExactness = 1000;
inline constexpr int idCalcNpmle = 1001;
inline constexpr int idCalcBic = 1002;
inline constexpr int idCalcMax = 1003;
inline constexpr int idCalcMaxComponents = 1004;

// The stop criterion of dialogs 102 and 105.
inline constexpr int idNpmle = 1005;
inline constexpr int idBic = 1006;
inline constexpr int idMax = 1007;
inline constexpr int idMaxComponents = 1008;

// Dialog 102: where the samples come from, and the mixture.
inline constexpr int idFromDataset = 1009;
inline constexpr int idParametric = 1010;
inline constexpr int idDistribution = 1012;        // list box of the mixture
inline constexpr int idChangeDistribution = 1013;  // button: dialogs 103 and 104
inline constexpr int idResultDistribution = 1024;  // button: the last calculation's mixture

// The run settings of dialogs 102, 105 and 107.
inline constexpr int idReplications = 1014;
inline constexpr int idPopulationSize = 1015;
inline constexpr int idExactness = 1016;
inline constexpr int idNumCounts = 1025;
inline constexpr int idPrintInterim = 1026;
inline constexpr int idPrintSamples = 1027;
inline constexpr int idEvaluate = 1029;
inline constexpr int idBootReplications = 1030;
inline constexpr int idWriteReplicates = 1043;  // check box: every replicate as a CSV row (102, 105)

// Dialogs 103 and 104: the number of components, and one component.
inline constexpr int idComponentCount = 1017;
inline constexpr int idLambda = 1019;
inline constexpr int idWeight = 1020;
inline constexpr int idComponentNumber = 1023;  // static text: the component's number

// Dialog 107: the Poisson-Gamma parameters.
inline constexpr int idAlpha = 1032;
inline constexpr int idKappa = 1033;

// Dialog 110: the seed of the next runs.
inline constexpr int idFixedSeed = 1040;  // radio: the seed in idSeed
inline constexpr int idClockSeed = 1041;  // radio: the time of day, as by default
inline constexpr int idSeed = 1042;

}  // namespace tallyfold
