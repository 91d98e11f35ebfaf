// libvelumor.so: the entry points live in velumor_core (server.cpp), linked whole into the
// library; exports.map keeps everything else inside.
