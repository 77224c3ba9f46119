(?<![\w:.>])(?:std::|::)?(?:atan2|atan|sin|cos|tan|asin|acos|sinh|cosh|tanh|hypot|pow|exp|exp2|expm1|log|log10|log2|log1p|cbrt|erf|erfc|tgamma|lgamma|fma)[fl]?\s*\(
