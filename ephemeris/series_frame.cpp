#include "ephemeris/series_frame.h"

#include <cstdlib>
#include <stdexcept>

#include "ephemeris/time_scale.h"

namespace nevalorum::series {

double ReduceTurns(double x) {
    return x - FullTurn * static_cast<double>(Trunc(x / FullTurn));
}

double ObliquityOfDate(double t) {
    return (84428.26 - 46.845 * t) / ArcsecondsPerRadian;
}

SeriesResult FinalStep(double longitude, double latitude, double radius, double t) {
    const double epsilon = ObliquityOfDate(t);
    const double lambda = ReduceTurns(longitude);
    const double cosBeta = std::cos(latitude);
    const double sinLambda = std::sin(lambda);
    const double cosLambda = std::cos(lambda);
    const double tanBeta = std::sin(latitude) / cosBeta;
    const double cosEpsilon = std::cos(epsilon);
    const double sinEpsilon = std::sin(epsilon);

    SeriesResult result;
    result.Longitude = lambda;
    result.Latitude = latitude;
    result.Radius = radius;
    result.X = radius * cosBeta * cosLambda;
    result.Y = radius * cosBeta * (sinLambda * cosEpsilon - tanBeta * sinEpsilon);
    result.Z = radius * cosBeta * (sinLambda * sinEpsilon + tanBeta * cosEpsilon);
    return result;
}

double LatitudeFromSine(double s) {
    return std::atan(s / std::sqrt(1 - s * s));
}

void Multiples::Assign(double angle, int highest) {
    rotors_[MaxMultiple] = {1, 0};
    if (highest >= 1) {
        rotors_[MaxMultiple + 1] = Rotor::Of(angle);
    }
    for (int k = 2; k <= highest; ++k) {
        rotors_[MaxMultiple + k] = rotors_[MaxMultiple + k - 1] * rotors_[MaxMultiple + 1];
    }
    for (int k = 1; k <= highest; ++k) {
        rotors_[MaxMultiple - k] = rotors_[MaxMultiple + k].Conjugate();
    }
}

TermTable::TermTable(std::span<const PeriodicTerm> terms) {
    terms_.reserve(terms.size());
    for (const PeriodicTerm& term : terms) {
        for (std::size_t i = 0; i < highest_.size(); ++i) {
            const int multiple = std::abs(term.Multipliers[i]);
            if (multiple > MaxMultiple) {
                throw std::logic_error("series term multiple above MaxMultiple");
            }
            highest_[i] = std::max(highest_[i], multiple);
        }
        PreparedTerm prepared{term, Rotor::Of(term.Phase)};
        for (int i = 0; i < static_cast<int>(highest_.size()); ++i) {
            if (term.Multipliers[i] != 0) {
                prepared.FactorArgument[prepared.FactorCount] = i;
                prepared.FactorMultiple[prepared.FactorCount] = term.Multipliers[i];
                ++prepared.FactorCount;
            }
        }
        terms_.push_back(prepared);
    }
}

ArgumentMultiples TermTable::MultiplesFor(const SeriesArguments& arguments,
                                          std::initializer_list<const TermTable*> tables) {
    ArgumentMultiples multiples;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        int highest = 0;
        for (const TermTable* table : tables) {
            highest = std::max(highest, table->highest_[i]);
        }
        multiples[i].Assign(arguments[i], highest);
    }
    return multiples;
}

template <typename Visit>
void TermTable::ForEachTerm(const ArgumentMultiples& multiples, double phaseVariable,
                            Visit visit) const {
    for (const PreparedTerm& prepared : terms_) {
        const PeriodicTerm& term = prepared.Term;
        Rotor rotor = term.PhaseSlope == 0
                          ? prepared.PhaseRotor
                          : Rotor::Of(term.Phase + term.PhaseSlope * phaseVariable);
        for (int f = 0; f < prepared.FactorCount; ++f) {
            rotor = rotor * multiples[prepared.FactorArgument[f]][prepared.FactorMultiple[f]];
        }
        visit(term, rotor);
    }
}

double TermTable::AddCosines(double sum, const ArgumentMultiples& multiples,
                             double amplitudeVariable, double phaseVariable) const {
    ForEachTerm(multiples, phaseVariable, [&](const PeriodicTerm& term, const Rotor& rotor) {
        sum += (term.Amplitude + term.AmplitudeSlope * amplitudeVariable) * rotor.Cos;
    });
    return sum;
}

double TermTable::AddSines(double sum, const ArgumentMultiples& multiples, double amplitudeVariable,
                           double phaseVariable) const {
    ForEachTerm(multiples, phaseVariable, [&](const PeriodicTerm& term, const Rotor& rotor) {
        sum += (term.Amplitude + term.AmplitudeSlope * amplitudeVariable) * rotor.Sin;
    });
    return sum;
}

}  // namespace nevalorum::series
