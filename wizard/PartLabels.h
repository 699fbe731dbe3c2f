// The information rows that name the package part being written: counter,
// file name and the versions the package states.
#pragma once

class CTVXUpgradeDlg;

// Counter "(first/total)", file name of packagePath and, unless a part is
// being written, the BCD versions of the package; also decides
// loaderOnlyPackage. ShowPartLabels adds the rule
// that nothing is written before a package version has been read.
void WritePartLabels(CTVXUpgradeDlg &dialog, int firstNumber);
