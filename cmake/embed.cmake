# Writes the text of IN into OUT as the C++ character array kBundledSample.
file(READ "${IN}" text)
file(WRITE "${OUT}" "extern const char kBundledSample[];\nconst char kBundledSample[] = R\"cz_sample(${text})cz_sample\";\n")
