// Phase models for batch runs: Monte Carlo parameter values put into the models, each
// batch's phases boiled down to the variables its guess block keeps, and summaries.
#pragma once

namespace zt {

// Every step below, in order; replaces the single-run guess handling when batches are given.
void setupbatchphases();

void applymcentries();
void checkwithphases();
void boildownbatches();
void dropzeroguesses();
void printbatchsummary();
void printmcsummary();

}  // namespace zt
