#pragma once
#include <string>
#include <vector>

class TSimulation;

// The statistics report of a run, one string per line: DateTime, two empty lines, the heading,
// the sixteen metric blocks (a line per stage with mean, standard deviation, minimum, maximum
// and observation count, then a TOTAL or AVERAGE line), and the service-time table of every
// stage. Reads only the stages' accumulators and service-time histograms, which hold the periods
// after the warm-up. Reals are written with DecimalSep.
std::vector<std::string> BuildStatsReport(const TSimulation& Model, const std::string& DateTime, char DecimalSep);
