#include "layout/tables.h"

#include "texts/texts.h"

const TableInfo kMm = {58, 526, kTableMm};
const TableInfo kMmDok = {67, 660, kTableMmDok};
const TableInfo kMr = {79, 541, kTableMr};
const TableInfo kMrDok = {80, 1034, kTableMrDok};
const TableInfo kRw = {56, 835, kTableRw};
const TableInfo kRwDok = {72, 2125, kTableRwDok};
const TableInfo kK9 = {49, 1024, kTableK9};
