// The simulation core in one include: the world, the genome, the signal field,
// randomness, gene expression, division, mechanics, gravity, the per-cell
// history, the switches and the worker. No files, no windows, no GL.
#pragma once

#include "sim/division.h"
#include "sim/gene_expression.h"
#include "sim/genome.h"
#include "sim/gravity.h"
#include "sim/history.h"
#include "sim/mechanics.h"
#include "sim/random.h"
#include "sim/rest.h"
#include "sim/signal.h"
#include "sim/sizes.h"
#include "sim/switches.h"
#include "sim/worker.h"
#include "sim/world.h"

// Puts the simulation back to what a fresh process starts with: the worker
// stopped, empty grids (heights too) and table, no genes, start tables,
// switches off, the start of the random sequence.
void reset_simulation();
