#pragma once
// The frame that every series routine shares: angle constants, the reduction by
// whole turns, the obliquity of date, the common final step, and the evaluator
// of periodic term tables.

#include <array>
#include <cmath>
#include <initializer_list>
#include <span>
#include <vector>

#include "ephemeris/series.h"

namespace nevalorum::series {

// Arcseconds in one radian.
inline constexpr double ArcsecondsPerRadian = 206264.806247;
// The full turn used by the reductions.
inline constexpr double FullTurn = 6.28318530718;

// x - 2pi Trunc(x / 2pi): a negative angle stays negative.
double ReduceTurns(double x);

// Obliquity of the ecliptic of date [radians].
double ObliquityOfDate(double t);

// Reduces the longitude by whole turns and forms the equatorial rectangular
// vector from longitude, latitude [radians] and radius [AU] with the obliquity of date.
SeriesResult FinalStep(double longitude, double latitude, double radius, double t);

// Latitude [radians] from its sine s.
double LatitudeFromSine(double s);

// A point on the unit circle, e^(i angle): the product of two rotors turns by
// the sum of their angles, so cosines and sines of sums and multiples of
// angles come from a few cosines and sines by multiplication.
struct Rotor {
    double Cos;
    double Sin;

    static Rotor Of(double angle) { return {std::cos(angle), std::sin(angle)}; }
    Rotor operator*(const Rotor& other) const {
        return {Cos * other.Cos - Sin * other.Sin, Cos * other.Sin + Sin * other.Cos};
    }
    Rotor Conjugate() const { return {Cos, -Sin}; }
};

// The highest multiple of one argument that a term table may use.
inline constexpr int MaxMultiple = 15;

// The rotors of -n x ... 0 ... n x for one angle x.
class Multiples {
  public:
    Multiples() = default;
    Multiples(double angle, int highest) { Assign(angle, highest); }
    void Assign(double angle, int highest);
    // The rotor of k x, k from -highest to highest.
    const Rotor& operator[](int k) const { return rotors_[MaxMultiple + k]; }
    double Cos(int k) const { return rotors_[MaxMultiple + k].Cos; }
    double Sin(int k) const { return rotors_[MaxMultiple + k].Sin; }

  private:
    std::array<Rotor, 2 * MaxMultiple + 1> rotors_;
};

// Up to five arguments of a series, each as its multiples.
using SeriesArguments = std::array<double, 5>;
using ArgumentMultiples = std::array<Multiples, 5>;

// One periodic term of a series table:
//   (Amplitude + AmplitudeSlope * s) * f(sum of Multipliers[i] * arguments[i]
//                                        + Phase + PhaseSlope * p)
// with f the cosine or the sine. Each table names the order of its (at most
// five) arguments and what its amplitude variable s and phase variable p are;
// most tables have neither, and unused multipliers are zero.
struct PeriodicTerm {
    double Amplitude;
    std::array<int, 5> Multipliers;
    double Phase;               // [radians]
    double AmplitudeSlope = 0;  // per unit of the table's amplitude variable
    double PhaseSlope = 0;      // [radians] per unit of the table's phase variable
};

// A table of periodic terms ready for evaluation: each term's constant phase is
// held as a rotor, and the arguments' multiples come as rotors, so a term costs
// a few multiplications instead of a cosine.
class TermTable {
  public:
    explicit TermTable(std::span<const PeriodicTerm> terms);

    // The multiples of the arguments that the tables use, computed once for all of them.
    static ArgumentMultiples MultiplesFor(const SeriesArguments& arguments,
                                          std::initializer_list<const TermTable*> tables);

    // sum plus the terms with f = cosine (or sine), added one after the other in
    // table order; the multiples come from MultiplesFor with this table.
    double AddCosines(double sum, const ArgumentMultiples& multiples, double amplitudeVariable = 0,
                      double phaseVariable = 0) const;
    double AddSines(double sum, const ArgumentMultiples& multiples, double amplitudeVariable = 0,
                    double phaseVariable = 0) const;

  private:
    // A term with its phase as a rotor and its non-zero multipliers listed.
    struct PreparedTerm {
        PeriodicTerm Term;
        Rotor PhaseRotor;
        int FactorCount = 0;
        std::array<int, 5> FactorArgument{};  // argument index of each factor
        std::array<int, 5> FactorMultiple{};  // its multiplier
    };
    // Visits every term with the rotor of its argument sum plus its phase.
    template <typename Visit>
    void ForEachTerm(const ArgumentMultiples& multiples, double phaseVariable, Visit visit) const;

    std::vector<PreparedTerm> terms_;
    std::array<int, 5> highest_{};  // highest multiple used of each argument
};

}  // namespace nevalorum::series
